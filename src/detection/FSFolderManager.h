// The folder browser's model: one invisible root with one folder per root of the current results,
// rebuilt on a background thread and installed on the main thread inside an update group, during
// which counts are not recomputed. The shared instance is used from the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "detection/FSFolder.h"
#include "detection/InternalDuplicatesByGroupSeparator.h"

class DuplicatesContainer;

class FSFolderManager {
public:
    static FSFolderManager& sharedInstance();
    FSFolderManager() = default;
    FSFolderManager(const FSFolderManager&) = delete;
    FSFolderManager& operator=(const FSFolderManager&) = delete;

    // Rebuilds from the current container (DuplicatesContainer::currentContainer); the completion
    // runs on the main thread once the new folders are in place.
    void rebuildRootItemsWithCompletion(std::function<void()> completion);
    void startUpdateGroup() { ++updateLock; }
    // Leaving the outermost group recomputes the counts that changed meanwhile.
    void endUpdateGroup();
    bool isCanUpdate() const { return updateLock.load(std::memory_order_relaxed) <= 0; }

    const std::shared_ptr<FSFolder>& rootItem() const { return m_pRootItem; }
    const std::vector<std::shared_ptr<FSFolder>>& userSelectedItemsForScan() const { return m_arrUserSelectedItems; }
    std::unique_ptr<InternalDuplicatesByGroupSeparator> favoritesItems =
        std::make_unique<InternalDuplicatesByGroupSeparator>(0);

private:
    // Read by the background build, changed on the main thread.
    std::atomic<std::int64_t> updateLock{0};
    std::shared_ptr<DuplicatesContainer> m_pContainer;  // keeps the nodes of the folders alive
    std::shared_ptr<FSFolder> m_pRootItem;
    std::vector<std::shared_ptr<FSFolder>> m_arrUserSelectedItems;
};
