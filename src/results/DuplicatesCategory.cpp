#include "results/DuplicatesCategory.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "results/DuplicateItem.h"
#include "results/DuplicatesCategoryListener.h"
#include "results/FileIdentity.h"
#include "scan/FileSystemItem.h"
#include "settings/AppNotification.h"

DuplicatesCategory::DuplicatesCategory(int type, DuplicatesCategoryListener* listener)
    : m_eType(type), m_pListener(listener) {}

DuplicatesCategory::~DuplicatesCategory() { detachAllGroupsForTeardown(); }

DuplicatesContainer* DuplicatesCategory::getContainer() const {
    return m_pListener ? m_pListener->getContainer() : nullptr;
}

std::shared_ptr<DuplicatesGroup> DuplicatesCategory::addGroupWithItems(const std::vector<FileSystemItem*>& items) {
    if (items.size() < 2) return nullptr;
    // Names of one file (hard links) are one copy: no duplicates of one another.
    if (FileIdentity::areNamesOfOneFile(items)) return nullptr;
    auto group = std::make_shared<DuplicatesGroup>(prepareItemsForGroupCreation(items), this);
    m_arrGroups.add(group);
    group->onGroupAdded(group, *this);
    if (m_pListener && group->getCategory() == this) m_pListener->onGroupAdded(group, *this);
    return group;
}

std::vector<FileSystemItem*> DuplicatesCategory::prepareItemsForGroupCreation(const std::vector<FileSystemItem*>& items) {
    std::map<std::int64_t, std::shared_ptr<DuplicatesGroup>> overlapping;  // by group ID
    for (FileSystemItem* node : items) {
        DuplicateItem* member = node ? node->getDuplicateItem() : nullptr;
        DuplicatesGroup* group = member ? member->getGroup() : nullptr;
        if (!group) continue;
        if (auto shared = group->weak_from_this().lock()) overlapping.emplace(shared->getGroupID(), shared);
    }
    if (overlapping.empty()) return items;

    std::vector<FileSystemItem*> result;
    std::unordered_set<FileSystemItem*> seen;
    auto take = [&](FileSystemItem* node) {
        if (node && seen.insert(node).second) result.push_back(node);
    };
    for (FileSystemItem* node : items) take(node);
    for (auto& [id, group] : overlapping)
        for (FileSystemItem* node : group->getFileSystemItems()) take(node);
    for (auto& [id, group] : overlapping)
        if (DuplicatesCategory* category = group->getCategory()) category->removeGroup(group.get());
    return result;
}

void DuplicatesCategory::removeGroupWithNotification(DuplicatesGroup* group, bool withNotification) {
    std::shared_ptr<DuplicatesGroup> kept = m_arrGroups.find(group);
    if (!kept) return;
    if (m_pListener) m_pListener->onGroupWillRemoved(kept, *this);
    kept->onGroupWillRemoved(kept, *this);
    m_arrGroups.remove(kept.get());
    kept->onGroupDidRemoved(kept, *this);
    if (m_pListener) m_pListener->onGroupDidRemoved(kept, *this);
    if (withNotification) AppNotification::CreateDuplicatesContainerDataChangedNotification();
}

std::int64_t DuplicatesCategory::removeEmptyGroups() {
    std::int64_t removed = 0;
    for (const auto& group : m_arrGroups.snapshot()) {
        // An earlier removal may have taken this one already.
        if (!m_arrGroups.contains(group.get()) || group->getFilesCount() >= 2) continue;
        removeGroup(group.get());
        ++removed;
    }
    return removed;
}

void DuplicatesCategory::removeAllGroups() {
    for (const auto& group : m_arrGroups.snapshot()) removeGroup(group.get());
}

void DuplicatesCategory::updateCategoryInfo() {
    for (const auto& group : m_arrGroups.snapshot()) group->updateGroupInfo();
}

void DuplicatesCategory::applyGroup(const DuplicatesGroup& group, std::int64_t sign) {
    m_nTotalSize += sign * static_cast<std::int64_t>(group.getTotalSize());
    m_nSelectedSize += sign * static_cast<std::int64_t>(group.getSelectedSize());
    m_nSizeThatCanBeRemoved += sign * static_cast<std::int64_t>(group.getSizeThatCanBeRemoved());
    m_nTotalCount += sign * group.getTotalCount();
    m_nActualSelectedCount += sign * group.getActualSelectedCount();
    m_nSelectedCountWithDuplicatesFolderContent += sign * group.getSelectedCountWithDuplicatesFolderContent();
}

void DuplicatesCategory::onGroupWillChange(DuplicatesGroup& group) {
    applyGroup(group, -1);
    m_progressData.removeDuplicatesGroup(group);
    validateData();
}

void DuplicatesCategory::onGroupDidChanged(DuplicatesGroup& group) {
    applyGroup(group, 1);
    m_progressData.addDuplicatesGroup(group);
    validateData();
}

void DuplicatesCategory::validateData() {
    for (std::int64_t* total : {&m_nTotalSize, &m_nSelectedSize, &m_nSizeThatCanBeRemoved, &m_nTotalCount,
                                &m_nActualSelectedCount, &m_nSelectedCountWithDuplicatesFolderContent})
        *total = std::max<std::int64_t>(0, *total);
}

void DuplicatesCategory::detachAllGroupsForTeardown() {
    for (auto& group : m_arrGroups.takeAll()) group->detachForTeardown();
}
