#include "results/GroupSelection.h"

#include <algorithm>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

namespace {
std::uint64_t sizeOf(const DuplicateItem& item) {
    std::int64_t size = item.getDiskSize();
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}
}  // namespace

bool GroupSelection::containsItem(const DuplicateItem* item) const {
    if (!item) return false;
    // Searched from the newest: deselecting everything removes from the back.
    return std::find_if(m_arrSelectedItems.rbegin(), m_arrSelectedItems.rend(),
                        [&](const auto& selected) { return selected.get() == item; }) != m_arrSelectedItems.rend();
}

void GroupSelection::addItem(const std::shared_ptr<DuplicateItem>& item) {
    if (!item || containsItem(item.get())) return;
    m_pGroup->onGroupWillChange(*m_pGroup);
    m_arrSelectedItems.push_back(item);
    if (!item->getAssociatedDuplicateFolder()) {
        m_nCountWithoutAssociatedDuplicateFolder += 1;
        m_nTotalSize += sizeOf(*item);
    }
    item->onItemSelectionChanged(*item);
    m_pGroup->onGroupDidChanged(*m_pGroup);
}

void GroupSelection::removeItem(DuplicateItem* item) {
    auto it = std::find_if(m_arrSelectedItems.rbegin(), m_arrSelectedItems.rend(),
                           [&](const auto& selected) { return selected.get() == item; });
    if (!item || it == m_arrSelectedItems.rend()) return;
    std::shared_ptr<DuplicateItem> kept = *it;
    m_pGroup->onGroupWillChange(*m_pGroup);
    m_arrSelectedItems.erase(std::next(it).base());
    if (!kept->getAssociatedDuplicateFolder()) {
        m_nCountWithoutAssociatedDuplicateFolder = std::max<std::int64_t>(0, m_nCountWithoutAssociatedDuplicateFolder - 1);
        std::uint64_t size = sizeOf(*kept);
        m_nTotalSize = m_nTotalSize < size ? 0 : m_nTotalSize - size;
    }
    kept->onItemSelectionChanged(*kept);
    m_pGroup->onGroupDidChanged(*m_pGroup);
}

void GroupSelection::updateInfo() {
    m_nTotalSize = 0;
    m_nCountWithoutAssociatedDuplicateFolder = 0;
    for (const auto& item : m_arrSelectedItems) {
        if (item->getAssociatedDuplicateFolder()) continue;
        m_nCountWithoutAssociatedDuplicateFolder += 1;
        m_nTotalSize += sizeOf(*item);
    }
}

void GroupSelection::clearForTeardown() {
    m_arrSelectedItems.clear();
    m_nTotalSize = 0;
    m_nCountWithoutAssociatedDuplicateFolder = 0;
}
