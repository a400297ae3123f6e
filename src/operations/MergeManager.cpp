#include "operations/MergeManager.h"

#include "operations/MergeOperationData.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeaps.h"
#include "results/HeapsGroup.h"
#include "scan/FolderSystemItem.h"

std::vector<std::shared_ptr<DuplicatesHeap>> MergeManager::folderPairs(const DuplicatesContainer& container) {
    std::vector<std::shared_ptr<DuplicatesHeap>> pairs;
    DuplicatesHeaps* heaps = container.getHeaps();
    if (!heaps || heaps->isEmpty()) return pairs;
    for (const auto& folderData : heaps->getAllFoldersData()) {
        const auto group = heaps->getHeapsGroupForFolderData(*folderData);
        if (!group) continue;
        for (FolderSystemItem* second : group->getAllSecondFolders()) {
            auto heap = group->getSubHeapWithSecondFolder(second);
            if (!heap) continue;
            bool known = false;
            for (const auto& p : pairs) known = known || p->sameAs(*heap);
            if (!known) pairs.push_back(std::move(heap));
        }
    }
    return pairs;
}

std::shared_ptr<MergeOperationData> MergeManager::dataForHeap(const std::shared_ptr<DuplicatesHeap>& heap) {
    FolderSystemItem* main = heap->getMainFolderItem();
    FolderSystemItem* second = heap->getSecondFolderItem();
    if (!main || !second) return nullptr;
    return std::make_shared<MergeOperationData>(main, second, heap);
}

std::shared_ptr<MergeOperationData> MergeManager::dataForFolders(const DuplicatesContainer& container,
                                                                 const std::string& leftPath,
                                                                 const std::string& rightPath) {
    FileSystemItem* left = container.findExistedSystemItemWithPath(leftPath);
    FileSystemItem* right = container.findExistedSystemItemWithPath(rightPath);
    if (!left || !right || !left->isDir() || !right->isDir() || left == right) return nullptr;
    return std::make_shared<MergeOperationData>(static_cast<FolderSystemItem*>(left),
                                                static_cast<FolderSystemItem*>(right));
}
