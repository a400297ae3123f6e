// What the duplicate-folder filter reports to the scan driver. onFoundDuplicatesFolders arrives on
// the main thread; onUpdateSizesUsingContainer on the filter's working queue ("folderseparator.working",
// so that the container is read where it is changed); the completion on a background thread.
#pragma once

#include <cstdint>
#include <memory>

class DuplicatesContainer;

class DuplicatesFolderFilterListener {
public:
    virtual ~DuplicatesFolderFilterListener() = default;

    virtual void onFoundDuplicatesFoldersWithTotalSize(std::uint64_t totalSize, float progress,
                                                       std::uint64_t countOfCheckedFolders) = 0;
    virtual void onUpdateSizesUsingContainer(const std::shared_ptr<DuplicatesContainer>& container) = 0;
    virtual void onDuplicatedFolderFilteringCompleteWithContainer(std::shared_ptr<DuplicatesContainer> container) = 0;

protected:
    DuplicatesFolderFilterListener() = default;
    DuplicatesFolderFilterListener(const DuplicatesFolderFilterListener&) = default;
    DuplicatesFolderFilterListener& operator=(const DuplicatesFolderFilterListener&) = default;
};
