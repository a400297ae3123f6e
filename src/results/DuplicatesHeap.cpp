#include "results/DuplicatesHeap.h"

#include <algorithm>
#include <iterator>

#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeaps.h"
#include "results/HeapsGroup.h"
#include "scan/FolderSystemItem.h"

std::shared_ptr<DuplicatesHeap> DuplicatesHeap::buildHeapWithFolder(const std::shared_ptr<HeapsFolderData>& folder,
                                                                     const std::shared_ptr<HeapsFolderData>& otherFolder) {
    if (!folder || !otherFolder || folder == otherFolder) return nullptr;
    FolderSystemItem* a = folder->getFolderSystemItem();
    FolderSystemItem* b = otherFolder->getFolderSystemItem();
    if (!a || !b || a == b) return nullptr;
    if (a->isInPackage() || b->isInPackage()) return nullptr;
    DuplicateItem* memberA = a->getDuplicateItem();
    DuplicateItem* memberB = b->getDuplicateItem();
    if (memberA && memberB && memberA->getGroup() && memberB->getGroup()) {
        DuplicatesGroup* groupA = memberA->getGroup();
        DuplicatesGroup* groupB = memberB->getGroup();
        if (groupA == groupB) return nullptr;
        DuplicateItem* enclosingA = memberA->getAssociatedDuplicateFolder();
        DuplicateItem* enclosingB = memberB->getAssociatedDuplicateFolder();
        DuplicatesGroup* enclosingGroupA = enclosingA ? enclosingA->getGroup() : nullptr;
        DuplicatesGroup* enclosingGroupB = enclosingB ? enclosingB->getGroup() : nullptr;
        if (enclosingGroupA && enclosingGroupA == groupB) return nullptr;
        if (enclosingGroupB && (enclosingGroupB == groupA || enclosingGroupB == enclosingGroupA)) return nullptr;
    }
    auto heap = std::make_shared<DuplicatesHeap>(folder, otherFolder);
    if (heap->getCountOfGroups() < 2) return nullptr;
    return heap;
}

DuplicatesHeap::DuplicatesHeap(std::shared_ptr<HeapsFolderData> mainFolderData,
                               std::shared_ptr<HeapsFolderData> secondFolderData)
    : m_pMainFolderData(std::move(mainFolderData)), m_pSecondFolderData(std::move(secondFolderData)) {
    buildGroupsIntersection();
}

void DuplicatesHeap::buildGroupsIntersection() {
    m_arrGroups.clear();
    m_nCountOfItems = 0;
    m_nHeapHalfSize = 0;
    if (!m_pMainFolderData || !m_pSecondFolderData) return;
    // Both lists are sorted by address, and so is their intersection.
    const HeapsGroupList& mainGroups = m_pMainFolderData->getGroups();
    const HeapsGroupList& secondGroups = m_pSecondFolderData->getGroups();
    std::set_intersection(mainGroups.begin(), mainGroups.end(), secondGroups.begin(), secondGroups.end(),
                          std::back_inserter(m_arrGroups));
    if (m_arrGroups.size() < 2) {
        HeapsGroupList().swap(m_arrGroups);
        return;
    }
    m_arrGroups.shrink_to_fit();
    // The two folders differ, so their members are distinct files.
    std::uint64_t size = 0;
    for (const auto& data : {m_pMainFolderData, m_pSecondFolderData})
        for (auto& item : data->getItemsFromFolderInGroups(m_arrGroups)) {
            ++m_nCountOfItems;
            size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getFileItemSize()));
        }
    m_nHeapHalfSize = size / 2;
}

bool DuplicatesHeap::sameAs(const DuplicatesHeap& other) const {
    return (m_pMainFolderData == other.m_pMainFolderData && m_pSecondFolderData == other.m_pSecondFolderData) ||
           (m_pMainFolderData == other.m_pSecondFolderData && m_pSecondFolderData == other.m_pMainFolderData);
}

FolderSystemItem* DuplicatesHeap::getMainFolderItem() const {
    return m_pMainFolderData ? m_pMainFolderData->getFolderSystemItem() : nullptr;
}

FolderSystemItem* DuplicatesHeap::getSecondFolderItem() const {
    return m_pSecondFolderData ? m_pSecondFolderData->getFolderSystemItem() : nullptr;
}

std::shared_ptr<DuplicatesHeap> DuplicatesHeap::revertedHeap() const {
    auto container = DuplicatesContainer::currentContainer();
    DuplicatesHeaps* heaps = container ? container->getHeaps() : nullptr;
    if (!heaps || !m_pSecondFolderData || !m_pMainFolderData) return nullptr;
    auto group = heaps->getHeapsGroupForFolderData(*m_pSecondFolderData);
    return group ? group->getHeapForKey(m_pMainFolderData->getID()) : nullptr;
}

void DuplicatesHeap::calculateForSecondFolderCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                                                          std::uint64_t* countOfSimilarSelected,
                                                          std::uint64_t* totalSize) const {
    std::vector<std::shared_ptr<DuplicateItem>> items;
    if (m_pSecondFolderData) items = m_pSecondFolderData->getItemsFromFolderInGroups(m_arrGroups);
    std::unordered_set<const FolderSystemItem*> parents;
    if (FolderSystemItem* main = getMainFolderItem()) parents.insert(main);
    HeapsGroup::calculateCountOfItemsIn(items, getSecondFolderItem(), parents, count, countOfSelected,
                                        countOfSimilarSelected, totalSize);
}

bool DuplicatesHeap::isHasLastItemsInHeapsFolderData(const std::shared_ptr<HeapsFolderData>& folderData) const {
    if (!folderData) return false;
    return HeapsGroup::isHasLastItemsInItems(folderData->getItemsFromFolderInGroups(m_arrGroups));
}

bool DuplicatesHeap::isOnlyLastItemsNotSelectedInHeapsFolderData(const std::shared_ptr<HeapsFolderData>& folderData) const {
    if (!folderData) return false;
    return HeapsGroup::isOnlyLastItemsNotSelectedInItems(folderData->getItemsFromFolderInGroups(m_arrGroups));
}
