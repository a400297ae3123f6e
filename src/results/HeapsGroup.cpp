#include "results/HeapsGroup.h"

#include <algorithm>
#include <unordered_map>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

HeapsGroup::HeapsGroup(std::shared_ptr<HeapsFolderData> mainFolder) : m_pMainFolder(std::move(mainFolder)) {}

std::vector<std::int64_t> HeapsGroup::getAllSubHeapsKeys() const {
    std::vector<std::int64_t> keys;
    keys.reserve(m_arrHeaps.size());
    for (const auto& [key, heap] : m_arrHeaps) keys.push_back(key);
    return keys;
}

std::vector<std::shared_ptr<DuplicatesHeap>> HeapsGroup::buildAllSubHeapsArray() const {
    std::vector<std::shared_ptr<DuplicatesHeap>> heaps;
    heaps.reserve(m_arrHeaps.size());
    for (const auto& [key, heap] : m_arrHeaps) heaps.push_back(heap);
    return heaps;
}

std::shared_ptr<DuplicatesHeap> HeapsGroup::getSubHeapWithSecondFolder(const FolderSystemItem* folder) const {
    for (const auto& [key, heap] : m_arrHeaps)
        if (heap->getSecondFolderItem() == folder) return heap;
    return nullptr;
}

std::shared_ptr<DuplicatesHeap> HeapsGroup::getHeapForKey(std::int64_t secondFolderDataID) const {
    auto it = m_arrHeaps.find(secondFolderDataID);
    return it == m_arrHeaps.end() ? nullptr : it->second;
}

bool HeapsGroup::isHeapWithDuplicateFolder(const DuplicatesHeap& heap) {
    for (FolderSystemItem* folder : {heap.getMainFolderItem(), heap.getSecondFolderItem()}) {
        if (!folder) continue;
        if (folder->getDuplicateItem() || folder->findParentDuplicateFolder()) return true;
    }
    return false;
}

void HeapsGroup::addHeap(const std::shared_ptr<DuplicatesHeap>& heap) {
    if (!heap || heap->getMainHeapsFolderData() != m_pMainFolder) return;
    if (isHeapWithDuplicateFolder(*heap)) {
        m_arrHeapsWithDuplicatesFolder.push_back(heap);
        return;
    }
    const auto& second = heap->getSecondHeapsFolderData();
    if (!m_arrHeaps.emplace(second->getID(), heap).second) return;
    if (FolderSystemItem* folder = second->getFolderSystemItem()) m_arrSecondFoldersForHeaps.insert(folder);
    secondHeapsFoldersData.insert(second);
    for (auto& item : m_pMainFolder->getItemsFromFolderInGroups(second->getGroups()))
        m_arrMainFolderItemsInHeaps.insert(std::move(item));
}

void HeapsGroup::fastRecalculateGroup(const HeapsGroup& oldGroup) {
    auto rebuild = [&](const std::shared_ptr<DuplicatesHeap>& old) {
        if (auto heap = DuplicatesHeap::buildHeapWithFolder(m_pMainFolder, old->getSecondHeapsFolderData())) addHeap(heap);
    };
    for (const auto& [key, heap] : oldGroup.m_arrHeaps) rebuild(heap);
    for (const auto& heap : oldGroup.m_arrHeapsWithDuplicatesFolder) rebuild(heap);
}

void HeapsGroup::calculateCountOfItemsIn(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                         FolderSystemItem* folder,
                                         const std::unordered_set<const FolderSystemItem*>& similarParents,
                                         std::uint64_t* count, std::uint64_t* countOfSelected,
                                         std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) {
    calculateCountOfItemsIn(
        items, folder, folder ? folder->numberOfChildren() : 0,
        [&](const FolderSystemItem* parent) { return similarParents.count(parent) > 0; }, count, countOfSelected,
        countOfSimilarSelected, totalSize);
}

void HeapsGroup::calculateCountOfItemsIn(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                         FolderSystemItem* folder, std::uint64_t selectedWhenFolderIsSelected,
                                         const std::function<bool(const FolderSystemItem*)>& isSimilarParent,
                                         std::uint64_t* count, std::uint64_t* countOfSelected,
                                         std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) {
    std::uint64_t selected = 0;
    std::uint64_t size = 0;
    std::unordered_set<const FileSystemItem*> similar;
    DuplicateItem* own = folder ? folder->getDuplicateItem() : nullptr;
    if (own && own->getGroup()) {
        selected = own->isSelected() ? selectedWhenFolderIsSelected : 0;
        size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, folder->logicalSize()));
    } else {
        for (const auto& item : items) {
            if (item->isSelected()) ++selected;
            size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getFileItemSize()));
            DuplicatesGroup* group = item->getGroup();
            if (!group) continue;
            for (const auto& copy : group->getSelectedItems()) {
                const FileSystemItem* node = copy->getFileSystemItem();
                if (node && isSimilarParent(node->parent())) similar.insert(node);
            }
        }
    }
    if (count) *count = items.size();
    if (countOfSelected) *countOfSelected = selected;
    if (countOfSimilarSelected) *countOfSimilarSelected = similar.size();
    if (totalSize) *totalSize = size;
}

void HeapsGroup::calculateCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                                       std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) const {
    std::vector<std::shared_ptr<DuplicateItem>> items(m_arrMainFolderItemsInHeaps.begin(),
                                                      m_arrMainFolderItemsInHeaps.end());
    std::unordered_set<const FolderSystemItem*> parents(m_arrSecondFoldersForHeaps.begin(),
                                                         m_arrSecondFoldersForHeaps.end());
    calculateCountOfItemsIn(items, m_pMainFolder ? m_pMainFolder->getFolderSystemItem() : nullptr, parents, count,
                            countOfSelected, countOfSimilarSelected, totalSize);
}

bool HeapsGroup::isHasLastItemsInItems(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    std::unordered_map<const DuplicatesGroup*, std::int64_t> unselected;
    for (const auto& item : items) {
        if (!item || item->isSelected()) continue;
        DuplicatesGroup* group = item->getGroup();
        if (!group) continue;
        std::int64_t seen = ++unselected[group];
        if (seen + group->getSelectedCountWithDuplicatesFolderContent() == group->getTotalCount()) return true;
    }
    return false;
}

bool HeapsGroup::isOnlyLastItemsNotSelectedInItems(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    bool any = false;
    for (const auto& item : items) {
        if (!item || item->isSelected()) continue;
        any = true;
        DuplicatesGroup* group = item->getGroup();
        if (!group || !group->isOneItemLeftToSelect()) return false;
    }
    return any;
}

bool HeapsGroup::isHasLastItems() const {
    return isHasLastItemsInItems({m_arrMainFolderItemsInHeaps.begin(), m_arrMainFolderItemsInHeaps.end()});
}
