// Removes every copy of a remove list with the file system, to the Trash or permanently: four remove
// queues, at most four copies in flight, bookkeeping on one working queue, a report of the removed
// copies to the listener at most once a second, then the optional removal of folders left empty.
// Configure and start on the main thread; the listener hears from it on the main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "removal/DuplicatesStandartRemover.h"

class DuplicateItem;
class DuplicatesStandartRemoverListener;
class RemovalSafetyCheck;
class RemoveErrorInfo;
class SerialQueue;

class DuplicatesDefaultRemover : public DuplicatesStandartRemover,
                                 public std::enable_shared_from_this<DuplicatesDefaultRemover> {
public:
    static constexpr int kCountOfRemoveQueues = 4;
    static constexpr std::chrono::milliseconds kReportInterval{1000};
    // Entries that do not keep a folder from counting as empty.
    static bool isIgnorableFolderEntry(const std::string& name);

    static std::shared_ptr<DuplicatesDefaultRemover> create();
    DuplicatesDefaultRemover();
    ~DuplicatesDefaultRemover() override;
    DuplicatesDefaultRemover(const DuplicatesDefaultRemover&) = delete;
    DuplicatesDefaultRemover& operator=(const DuplicatesDefaultRemover&) = delete;

    // Takes the copies (their paths and sizes are read here, on the main thread) before the start.
    void setDuplicateItemsForRemove(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                    std::weak_ptr<DuplicatesStandartRemoverListener> listener, bool toTrash,
                                    bool removeEmptyFolders);
    // Each copy is checked just before its removal and kept, as a failure, when it fails. Without a
    // check nothing is removed: every copy fails as not verified.
    void setSafetyCheck(std::shared_ptr<RemovalSafetyCheck> check) { m_pSafetyCheck = std::move(check); }
    // Copies removed at once (1 to kCountOfRemoveQueues); 1 makes the order of removals that of the list.
    void setCountOfRemoveQueues(int count);

    // Always true; a second call does nothing more.
    bool startRemove() override;
    // The copies already handed to a remove queue are finished; no further one is handed out.
    void stopRemove() override;
    float progress() const override;
    std::int64_t countOfProcessedItems() const override { return static_cast<std::int64_t>(m_nCountOfProcessedItems); }
    std::vector<std::shared_ptr<RemoveErrorInfo>> removeErrors() const override { return m_arrFinishedErrors; }

    const std::vector<std::shared_ptr<DuplicateItem>>& duplicateItemsForRemove() const { return m_arrDuplicateItems; }
    // Every copy removed, once finished; nullopt before.
    std::optional<std::vector<std::shared_ptr<DuplicateItem>>> getRemovedItems() const;
    std::uint64_t getTotalRemovedSize() const { return m_nTotalRemovedSize; }
    std::uint64_t getCountOfProcessedItems() const { return m_nCountOfProcessedItems; }
    std::uint64_t getCountOfItems() const { return m_nCountOfItems; }
    bool isFinished() const { return m_bRemoveFinished; }

private:
    // One copy as read on the main thread, so the queues never read the results model.
    struct Entry {
        std::shared_ptr<DuplicateItem> item;
        std::string path;
        std::string parentPath;
        std::string name;
        std::int64_t size = 0;
        bool isDirectory = false;
        std::vector<std::string> childNames;  // a folder copy's entries as scanned
    };

    void removeNextItem();                                            // working queue
    void removeItem(const Entry& entry);                              // a remove queue
    void onItemRemoved(const Entry& entry, const std::optional<std::string>& pathInTrash);  // a remove queue
    void onItemFailed(std::shared_ptr<RemoveErrorInfo> info);         // a remove queue
    void updateContainerForced(bool forced);                          // working queue
    void removeEmptyFoldersAndFinish();                               // working queue
    static bool isDiskContentChanged(const Entry& entry);

    std::vector<std::shared_ptr<DuplicateItem>> m_arrDuplicateItems;
    std::vector<Entry> m_arrItemsForRemove;  // sorted at the start; read-only afterwards
    std::weak_ptr<DuplicatesStandartRemoverListener> m_pListener;
    std::shared_ptr<RemovalSafetyCheck> m_pSafetyCheck;
    bool m_bIsNeedRemoveToTrash = true;
    bool m_bIsNeedRemoveEmptyFolders = false;
    bool m_bStarted = false;  // main thread

    std::shared_ptr<SerialQueue> m_pWorkingQueue;
    std::shared_ptr<SerialQueue> m_arrRemoveQueues[kCountOfRemoveQueues];
    int m_nCountOfRemoveQueues = kCountOfRemoveQueues;  // set before the start

    // Owned by the working queue.
    std::int32_t m_nCurrentRemoveItemIndex = -1;
    std::int32_t m_nCurrentRemoveQueue = 0;
    std::int32_t m_nCountOfRemoveQueuesThatFinishWork = 0;
    std::vector<std::shared_ptr<DuplicateItem>> m_arrRemovedItems;  // since the last report
    std::vector<std::shared_ptr<DuplicateItem>> m_arrAllRemovedItems;
    std::vector<std::shared_ptr<RemoveErrorInfo>> m_arrNotRemovedInfo;
    std::set<std::string> m_arrFoldersThatNeedToBeRemoved;
    std::chrono::steady_clock::time_point m_pLastContainerUpdateDate;
    bool m_bRemoveCanceled = false;

    // Main thread.
    std::uint64_t m_nTotalRemovedSize = 0;
    std::uint64_t m_nCountOfProcessedItems = 0;
    std::uint64_t m_nCountOfItems = 0;
    bool m_bRemoveFinished = false;
    std::vector<std::shared_ptr<RemoveErrorInfo>> m_arrFinishedErrors;
    std::vector<std::shared_ptr<DuplicateItem>> m_arrFinishedRemovedItems;
};
