// Hears a merge's progress and its end, on the main thread.
#pragma once

#include "operations/MergeOperationResult.h"

class MergeOperationListener {
public:
    virtual ~MergeOperationListener() = default;
    virtual void mergeOperationProgress(const MergeOperationProgressInfo&) {}
    virtual void mergeOperationFinished(const MergeOutcome& outcome) = 0;
};
