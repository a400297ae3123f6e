#include "results/HeapsFolderData.h"

#include <algorithm>
#include <atomic>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "results/HeapsGroup.h"
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
        m_arrItems.push_back(std::move(sharedMember));
        m_arrGroups.push_back(std::move(sharedGroup));
        m_nAllDuplicatesSize += static_cast<std::uint64_t>(std::max<std::int64_t>(0, member->getFileItemSize()));
    }
    std::sort(m_arrGroups.begin(), m_arrGroups.end());
    m_arrGroups.erase(std::unique(m_arrGroups.begin(), m_arrGroups.end()), m_arrGroups.end());
    m_arrItems.shrink_to_fit();
    m_arrGroups.shrink_to_fit();
}

const HeapsGroupList& HeapsFolderData::getGroups() {
    refreshIfNeeded();
    return m_arrGroups;
}

const std::vector<std::shared_ptr<DuplicateItem>>& HeapsFolderData::getItems() {
    refreshIfNeeded();
    return m_arrItems;
}

std::uint64_t HeapsFolderData::getAllDuplicatesSize() {
    refreshIfNeeded();
    return m_nAllDuplicatesSize;
}

std::vector<std::shared_ptr<DuplicateItem>> HeapsFolderData::getItemsFromFolderInGroups(const HeapsGroupList& groups) {
    refreshIfNeeded();
    std::vector<std::shared_ptr<DuplicateItem>> out;
    for (const auto& item : m_arrItems) {
        DuplicatesGroup* group = item->getGroup();
        if (!group) continue;
        auto found = std::lower_bound(groups.begin(), groups.end(), group,
                                      [](const std::shared_ptr<DuplicatesGroup>& g, const DuplicatesGroup* key) {
                                          return std::less<const DuplicatesGroup*>()(g.get(), key);
                                      });
        if (found != groups.end() && found->get() == group) out.push_back(item);
    }
    return out;
}

void HeapsFolderData::calculateCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                                            std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) {
    refreshIfNeeded();
    // A selected copy elsewhere than in this folder is a similar one.
    HeapsGroup::calculateCountOfItemsIn(
        m_arrItems, m_pFolder, m_arrItems.size(), [this](const FolderSystemItem* parent) { return parent != m_pFolder; },
        count, countOfSelected, countOfSimilarSelected, totalSize);
}

std::uint64_t HeapsFolderData::calculateCountOfGroupsThatFullySelected() {
    refreshIfNeeded();
    std::uint64_t count = 0;
    for (const auto& group : m_arrGroups)
        if (group->getTotalCount() == group->getSelectedCountWithDuplicatesFolderContent()) ++count;
    return count;
}
