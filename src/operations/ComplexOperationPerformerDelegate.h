// Hears how a complex operation goes: its start, its progress with the records of the sub-operations
// finished since the last report, and its end; called on the thread that performs it.
#pragma once

#include <cstdint>
#include <vector>

#include "operations/FileOperationProgressInfo.h"
#include "operations/SubOperationsStatistics.h"

class ComplexOperationPerformer;

class ComplexOperationPerformerDelegate {
public:
    virtual ~ComplexOperationPerformerDelegate() = default;
    virtual void complexOperationStarted(ComplexOperationPerformer&) {}
    // `done` holds the records since the previous report; `bytesDone` counts every finished operation.
    virtual void complexOperationProgress(ComplexOperationPerformer&, const std::vector<FileOperationProgressInfo>& done,
                                          const SubOperationsStatistics& statistics, std::uint64_t bytesDone) = 0;
    virtual void complexOperationFinished(ComplexOperationPerformer&, const SubOperationsStatistics&) {}
};
