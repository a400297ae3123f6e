#include "detection/FolderDuplicatesInfo.h"

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

FolderDuplicatesInfo::FolderDuplicatesInfo(FolderSystemItem* folder) : m_pFolder(folder) { updateData(); }

void FolderDuplicatesInfo::updateData() {
    resetGroupsInfo();
    m_nCountOfSubFolders = 0;
    m_nCountOfUniqueItems = 0;
    m_nCountOfItems = m_pFolder ? static_cast<std::int64_t>(m_pFolder->numberOfChildren()) : 0;
    m_nCountOfNotCheckedItems = m_nCountOfItems;
    if (!m_pFolder) return;
    for (const auto& child : m_pFolder->childrenArray()) {
        updateDataAfterProcessedItem(child.get());
        if (child->isDir()) ++m_nCountOfSubFolders;
    }
}

void FolderDuplicatesInfo::resetGroupsInfo() {
    m_arrGroupInfo.clear();
    m_nCountOfDuplicatesGroups = 0;
}

void FolderDuplicatesInfo::updateDataAfterProcessedItem(const FileSystemItem* item) {
    if (!item || !m_pFolder || item->parent() != m_pFolder || !item->isCheckedForDuplicates()) return;
    if (m_nCountOfNotCheckedItems > 0) --m_nCountOfNotCheckedItems;
    DuplicateItem* member = item->getDuplicateItem();
    DuplicatesGroup* group = member ? member->getGroup() : nullptr;
    if (!group) {
        ++m_nCountOfUniqueItems;
        return;
    }
    auto [it, inserted] = m_arrGroupInfo.emplace(group->getGroupID(), 0);
    ++it->second;
    if (inserted) ++m_nCountOfDuplicatesGroups;
}

std::int64_t FolderDuplicatesInfo::getCountOfDuplicatesInGroupWithID(std::int64_t groupID) const {
    auto it = m_arrGroupInfo.find(groupID);
    return it == m_arrGroupInfo.end() ? 0 : it->second;
}

bool FolderDuplicatesInfo::isEqualToFolderInfo(const FolderDuplicatesInfo* other) const {
    if (!other || !m_pFolder || !other->m_pFolder) return false;
    if (isHasUniqueItems() || other->isHasUniqueItems()) return false;
    if (m_nCountOfNotCheckedItems != other->m_nCountOfNotCheckedItems || m_nCountOfItems != other->m_nCountOfItems ||
        m_nCountOfSubFolders != other->m_nCountOfSubFolders ||
        m_nCountOfDuplicatesGroups != other->m_nCountOfDuplicatesGroups)
        return false;
    if (m_arrGroupInfo != other->m_arrGroupInfo) return false;
    if (m_nCountOfItems > 0) return true;
    return m_pFolder->name() == other->m_pFolder->name();
}
