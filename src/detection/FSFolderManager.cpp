#include "detection/FSFolderManager.h"

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "results/DuplicatesContainer.h"
#include "scan/VolumeSystemItem.h"

FSFolderManager& FSFolderManager::sharedInstance() {
    static auto* manager = new FSFolderManager();  // never destroyed: background builds may still end
    return *manager;
}

void FSFolderManager::endUpdateGroup() {
    if (--updateLock > 0) return;
    updateLock = 0;
    if (m_pRootItem) m_pRootItem->updateInfo();
}

void FSFolderManager::rebuildRootItemsWithCompletion(std::function<void()> completion) {
    startUpdateGroup();
    auto container = DuplicatesContainer::currentContainer();
    dispatch::background().async([this, container, completion = std::move(completion)]() mutable {
        auto root = FSFolder::create(nullptr);
        std::vector<std::shared_ptr<FSFolder>> folders;
        if (container) {
            for (VolumeSystemItem* node : container->buildRootFolders()) {
                auto folder = FSFolder::create(node, root.get());
                root->addSubFolder(folder);
                folders.push_back(folder);
            }
        }
        root->doWork();
        dispatch::main().async([this, container, root, folders, completion = std::move(completion)] {
            m_pRootItem.reset();
            m_pContainer = container;
            m_pRootItem = root;
            m_arrUserSelectedItems = folders;
            favoritesItems = std::make_unique<InternalDuplicatesByGroupSeparator>(0);
            if (completion) completion();
            endUpdateGroup();
        });
    });
}
