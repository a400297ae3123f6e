// Runs one FolderSeparator over candidate folders and writes what it finds into a container: sets of
// identical children met on the way go to the small-duplicates category, identical folders become
// folder groups. separateItems and stop may be called from any thread; the container is changed and
// the listener called on the queue "folderseparator.working".
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "detection/FolderSeparatorDelegate.h"
#include "detection/FolderSeparatorForContainerListener.h"

class DuplicatesContainer;

class FolderSeparatorForContainer : public FolderSeparatorDelegate,
                                    public std::enable_shared_from_this<FolderSeparatorForContainer> {
public:
    static std::shared_ptr<FolderSeparatorForContainer> create();
    ~FolderSeparatorForContainer() override;
    FolderSeparatorForContainer(const FolderSeparatorForContainer&) = delete;
    FolderSeparatorForContainer& operator=(const FolderSeparatorForContainer&) = delete;

    // Keeps the container until the end and the listener weakly.
    void separateItems(std::vector<FolderSystemItem*> folders, std::shared_ptr<DuplicatesContainer> container,
                       std::weak_ptr<FolderSeparatorForContainerListener> listener);
    // Stops the separation; the listener still gets its one call (with what was found).
    void stop();

    // FolderSeparatorDelegate (working queue).
    void onProcessedItemsCount(std::uint64_t count) override;
    void processIndermediateItemsWithSameHash(const FileItemsByHash& items) override;
    void onFinishSeparateFolderItems(std::optional<FolderSets> result, FolderSeparator* separator) override;

private:
    using Clock = std::chrono::steady_clock;
    FolderSeparatorForContainer();
    void updateCountOfCheckedItems(bool forced);

    // Working queue only.
    std::weak_ptr<FolderSeparatorForContainerListener> m_pListener;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::shared_ptr<FolderSeparator> m_pSeparator;
    std::uint64_t m_nCountOfCheckedItems = 0;
    std::optional<Clock::time_point> m_pTimeBeforeUpdate;  // unset: no count reports
    double m_pUpdateTimeInterval = 0;                      // seconds, stored negated
    bool m_bIntervalPassed = false;
};
