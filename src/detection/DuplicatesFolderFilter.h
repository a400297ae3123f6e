// The duplicate-folder search of one scan: picks every folder that could be a copy of another,
// groups the candidates by logical size and descendant count, orders the groups and separates them
// one at a time into the container's folder category; then moves the groups lying wholly inside
// duplicate folders to the hidden category. Create, start and stop from any thread; the work runs on
// "folderseparator.working"; the tree and the container must not be changed elsewhere meanwhile.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "detection/DuplicatesFolderFilterListener.h"
#include "detection/FolderSeparatorForContainerListener.h"
#include "detection/SimpleFolderInfo.h"

class DuplicatesContainer;
class FolderSeparatorForContainer;
class FolderSystemItem;

class DuplicatesFolderFilter : public FolderSeparatorForContainerListener,
                               public std::enable_shared_from_this<DuplicatesFolderFilter> {
public:
    static constexpr std::uint64_t kAutomaticMinimalSize = ~std::uint64_t{0};
    static constexpr double kAutomaticStopSeconds = 30.0;

    // All ones as the minimal size means automatic mode: every size, largest clusters first, and a
    // stop after 30 seconds.
    static std::shared_ptr<DuplicatesFolderFilter> create(std::shared_ptr<DuplicatesContainer> container,
                                                          std::uint64_t minimalFileSize);
    ~DuplicatesFolderFilter() override;
    DuplicatesFolderFilter(const DuplicatesFolderFilter&) = delete;
    DuplicatesFolderFilter& operator=(const DuplicatesFolderFilter&) = delete;

    void setListener(std::weak_ptr<DuplicatesFolderFilterListener> listener);
    // Starts the search; the roots must stay alive until the completion has been reported.
    void findFoldersDuplicatesInRoots(std::vector<FolderSystemItem*> roots, bool includeHidden);
    // Ends the group loop; the groups found so far stay and the completion is still reported.
    void stop();
    bool isCanceled() const { return m_bIsCanceled.load(std::memory_order_relaxed); }
    // Seconds since the group processing started; 0 before.
    double getSearchDuplicatesDuration() const;

    // FolderSeparatorForContainerListener (working queue).
    std::optional<double> getUpdateTimeInterval() override { return 0.5; }
    void updateCountOfCheckedFolders(std::uint64_t count) override;
    void onFinishFolderSeparator(FolderSeparatorForContainer* separator, const FolderSets& result,
                                 const std::shared_ptr<DuplicatesContainer>& container) override;

    // Candidates below the roots, level by level (working queue; public for tests).
    std::vector<std::shared_ptr<SimpleFolderInfo>> setWithFoldersTreeInfoOfFolders(
        const std::vector<FolderSystemItem*>& roots, bool includeHidden);

private:
    DuplicatesFolderFilter() = default;

    // Working queue only.
    void start(std::vector<FolderSystemItem*> roots, bool includeHidden);
    void processNextSimpleGroup();
    void onCompleteFilteringDuplicatesFolders();
    void updateDuplicatesFoldersCountAndSendContainerForUpdate(bool update);

    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::weak_ptr<DuplicatesFolderFilterListener> m_pListener;
    std::shared_ptr<FolderSeparatorForContainer> m_pFolderSeparatorForContainer;
    std::vector<SimpleFolderInfo::Group> m_arrGroupedSimpleFoldersInfo;
    std::uint64_t m_nMinimalFileSize = 0;
    std::uint64_t m_nTotalCheckedFolders = 0;
    std::uint64_t m_nCurrentCheckedFolders = 0;
    std::uint64_t m_nNextProcessedSimpleFolderInfoIndex = 0;
    bool m_bAutoDefineMinimalFileSize = false;
    bool m_bIsFinished = false;
    // Set by stop() from any thread, read on the working queue.
    std::atomic<bool> m_bIsCanceled{false};
    // Steady-clock nanoseconds of the start of group processing, 0 before; read from any thread.
    std::atomic<std::int64_t> m_pStartDate{0};
};
