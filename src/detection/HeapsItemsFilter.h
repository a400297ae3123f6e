// The heap search after the duplicate-folder search: validates the container's heaps, then compares
// the small children of heap folders that could make the heaps more complete, and repeats until a
// round finds nothing new. filterUsingContainer and stop may be called from any thread; the work runs
// on "folderseparator.working" (hashing on "fileseparator.working"), where the delegate is called.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "detection/FileSeparatorForContainerListener.h"
#include "detection/FolderSeparatorForContainerListener.h"
#include "detection/HeapsItemsFilterDelegate.h"
#include "results/DuplicatesHeaps.h"

class DuplicatesContainer;
class FileSeparatorForContainer;
class FolderSeparatorForContainer;

class HeapsItemsFilter : public FileSeparatorForContainerListener,
                         public FolderSeparatorForContainerListener,
                         public std::enable_shared_from_this<HeapsItemsFilter> {
public:
    // A round that still finds something is followed by another; this many at the most.
    static constexpr int kMaxRounds = 16;

    static std::shared_ptr<HeapsItemsFilter> create(std::weak_ptr<HeapsItemsFilterDelegate> delegate);
    ~HeapsItemsFilter() override;
    HeapsItemsFilter(const HeapsItemsFilter&) = delete;
    HeapsItemsFilter& operator=(const HeapsItemsFilter&) = delete;

    // Keeps the container (readable through container() from then on) and starts the search.
    void filterUsingContainer(std::shared_ptr<DuplicatesContainer> container, bool includeHiddenFiles);
    // Stops the current comparison; the search then ends at its next check of the delegate.
    void stopHeapsAdditionalSmallFilesSearch();
    // The container given to filterUsingContainer; set before the search starts and not changed after.
    const std::shared_ptr<DuplicatesContainer>& container() const { return m_pContainer; }

    // FileSeparatorForContainerListener ("fileseparator.working"), handed over to the working queue.
    void onFinishFileSeparator(FileSeparatorForContainer* separator, FileItemsByHash result,
                               const std::shared_ptr<DuplicatesContainer>& container) override;
    // FolderSeparatorForContainerListener (working queue).
    void onFinishFolderSeparator(FolderSeparatorForContainer* separator, const FolderSets& result,
                                 const std::shared_ptr<DuplicatesContainer>& container) override;

private:
    explicit HeapsItemsFilter(std::weak_ptr<HeapsItemsFilterDelegate> delegate);

    // Working queue only.
    bool isCanceled();
    void filterData();
    void separateAdditionalSmallFiles(DuplicatesHeaps::SmallItems files, DuplicatesHeaps::SmallItems folders);
    void separateNextAdditionalSmallItemsToContainer();
    std::optional<std::string> getNextKeyForGroups(const DuplicatesHeaps::SmallItems& groups) const;
    void addCountOfDuplicatesToSmallDuplicatsInHeaps(const std::vector<std::vector<FileSystemItem*>>& sets);
    void finishWork();

    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::weak_ptr<HeapsItemsFilterDelegate> m_pDelegate;
    bool includeHiddenFiles = false;
    int m_nRounds = 0;
    bool m_bFinished = false;
    std::optional<std::chrono::steady_clock::time_point> sm_pAdditionalSeparationStartTime;
    DuplicatesHeaps::SmallItems sm_arrSmallFiles;
    DuplicatesHeaps::SmallItems sm_arrSmallFolders;
    std::vector<std::string> sm_arrSmallFoldersKeys;
    std::shared_ptr<FileSeparatorForContainer> sm_pAdditionalSeparatorForSmallFiles;
    std::shared_ptr<FolderSeparatorForContainer> sm_pAdditionalSeparatorForSmallFolders;
};
