#include "results/HeapsFolderData.h"

#include <algorithm>
#include <atomic>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

namespace {
// Atomic because folder datas of different containers may be made on different queues at once.
std::atomic<std::int64_t> g_nextFolderDataID{1};
}  // namespace

HeapsFolderData::HeapsFolderData(FolderSystemItem* folder) : m_nID(g_nextFolderDataID++), m_pFolder(folder) {}

void HeapsFolderData::refreshIfNeeded() {
    if (!m_bNeedUpdate) return;
    m_bNeedUpdate = false;
    m_arrItems.clear();
    m_arrGroups.clear();
    m_nAllDuplicatesSize = 0;
    if (!m_pFolder) return;
    for (const auto& child : m_pFolder->childrenArray()) {
        DuplicateItem* member = child->getDuplicateItem();
        DuplicatesGroup* group = member ? member->getGroup() : nullptr;
        if (!group) continue;
        auto sharedMember = member->weak_from_this().lock();
        auto sharedGroup = group->weak_from_this().lock();
        if (!sharedMember || !sharedGroup) continue;
        m_arrItems.insert(std::move(sharedMember));
        m_arrGroups.insert(std::move(sharedGroup));
        m_nAllDuplicatesSize += static_cast<std::uint64_t>(std::max<std::int64_t>(0, member->getFileItemSize()));
    }
}

const HeapsGroupSet& HeapsFolderData::getGroups() {
    refreshIfNeeded();
    return m_arrGroups;
}

const HeapsItemSet& HeapsFolderData::getItems() {
    refreshIfNeeded();
    return m_arrItems;
}

std::uint64_t HeapsFolderData::getAllDuplicatesSize() {
    refreshIfNeeded();
    return m_nAllDuplicatesSize;
}

std::vector<std::shared_ptr<DuplicateItem>> HeapsFolderData::getItemsFromFolderInGroups(const HeapsGroupSet& groups) {
    refreshIfNeeded();
    std::vector<std::shared_ptr<DuplicateItem>> out;
    for (const auto& item : m_arrItems) {
        DuplicatesGroup* group = item->getGroup();
        if (!group) continue;
        if (auto shared = group->weak_from_this().lock(); shared && groups.count(shared)) out.push_back(item);
    }
    return out;
}

void HeapsFolderData::calculateCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                                            std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) {
    refreshIfNeeded();
    std::uint64_t selected = 0;
    std::uint64_t size = 0;
    std::unordered_set<const FileSystemItem*> similar;
    DuplicateItem* own = m_pFolder ? m_pFolder->getDuplicateItem() : nullptr;
    if (own && own->getGroup()) {
        selected = own->isSelected() ? m_arrItems.size() : 0;
        size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_pFolder->logicalSize()));
    } else {
        for (const auto& item : m_arrItems) {
            if (item->isSelected()) ++selected;
            size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getFileItemSize()));
            DuplicatesGroup* group = item->getGroup();
            if (!group) continue;
            for (const auto& copy : group->getSelectedItems()) {
                const FileSystemItem* node = copy->getFileSystemItem();
                if (node && node->parent() != m_pFolder) similar.insert(node);
            }
        }
    }
    if (count) *count = m_arrItems.size();
    if (countOfSelected) *countOfSelected = selected;
    if (countOfSimilarSelected) *countOfSimilarSelected = similar.size();
    if (totalSize) *totalSize = size;
}

std::uint64_t HeapsFolderData::calculateCountOfGroupsThatFullySelected() {
    refreshIfNeeded();
    std::uint64_t count = 0;
    for (const auto& group : m_arrGroups)
        if (group->getTotalCount() == group->getSelectedCountWithDuplicatesFolderContent()) ++count;
    return count;
}
