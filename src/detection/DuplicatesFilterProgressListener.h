// What the candidate filter reports to the scan driver; every call arrives on the main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "detection/DuplicatesFilterProgress.h"

class DuplicatesContainer;

class DuplicatesFilterProgressListener {
public:
    virtual ~DuplicatesFilterProgressListener() = default;
    virtual void onDuplicatesFilesFilterStartFilterFiles(std::int64_t countOfFiles) = 0;
    virtual void onDuplicatesFilesFilterProgressChanged(DuplicatesFilterProgress progress) = 0;
    virtual void onChangedSizeOfPossibleHeaps(std::uint64_t heapsSize, std::uint64_t possibleDuplicateFoldersSize) = 0;
    virtual void onFilteredFilesCount(std::int32_t count, std::uint64_t eachSize, std::int32_t type) = 0;
    virtual void onFinishSearchDuplicatesFilesWithType(std::int32_t type) = 0;
    virtual void onFinishFilterWithResultContainer(std::shared_ptr<DuplicatesContainer> container) = 0;
};
