#include "detection/InternalDuplicatesByGroupSeparator.h"

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

InternalDuplicatesByGroupSeparator::InternalDuplicatesByGroupSeparator(std::int64_t type) : collectionType(type) {
    if (type == 1) collectAllDuplicates = collectOtherFiles = skipMainFolder = true;
}

InternalDuplicatesByGroupSeparator::InternalDuplicatesByGroupSeparator(FolderSystemItem* folder, std::int64_t type)
    : InternalDuplicatesByGroupSeparator(type) {
    addFolder(folder);
    if (type != 1) return;
    removeFullGroupsWithAction([this](DuplicatesGroup&, const Members& members) {
        for (const auto& member : members)
            if (FileSystemItem* node = member->getFileSystemItem()) otherItems.push_back(node);
    });
}

void InternalDuplicatesByGroupSeparator::addItem(DuplicateItem* item) {
    if (!item || item->getAssociatedDuplicateFolder()) return;
    DuplicatesGroup* group = item->getGroup();
    auto sharedGroup = group ? group->weak_from_this().lock() : nullptr;
    auto sharedItem = item->weak_from_this().lock();
    if (!sharedGroup || !sharedItem) return;
    Entry& entry = duplicatesByGroups[group->getGroupID()];
    entry.group = std::move(sharedGroup);
    entry.members.insert(std::move(sharedItem));
}

void InternalDuplicatesByGroupSeparator::addFileItem(FileSystemItem* item) {
    if (item) addItem(item->getDuplicateItem());
}

void InternalDuplicatesByGroupSeparator::addChildrenOfFolder(FolderSystemItem* folder) {
    if (!folder) return;
    for (const auto& child : folder->childrenArray()) addFileItem(child.get());
}

void InternalDuplicatesByGroupSeparator::addItems(const Members& items, const std::shared_ptr<DuplicatesGroup>& group) {
    if (!group || items.empty()) return;
    Entry& entry = duplicatesByGroups[group->getGroupID()];
    entry.group = group;
    entry.members.insert(items.begin(), items.end());
}

void InternalDuplicatesByGroupSeparator::addSeparator(const InternalDuplicatesByGroupSeparator& other) {
    for (const auto& [id, entry] : other.duplicatesByGroups) addItems(entry.members, entry.group);
}

void InternalDuplicatesByGroupSeparator::removeGroup(std::int64_t groupID) { duplicatesByGroups.erase(groupID); }

void InternalDuplicatesByGroupSeparator::addFolder(FolderSystemItem* folder) {
    if (!folder) return;
    std::vector<FileSystemItem*> stack{folder};
    bool first = true;
    while (!stack.empty()) {
        FileSystemItem* node = stack.back();
        stack.pop_back();
        bool isFirst = first;
        first = false;
        if (DuplicateItem* member = node->getDuplicateItem()) {
            if (!(isFirst && skipMainFolder)) addItem(member);
            if (!collectAllDuplicates) continue;
        }
        if (!node->isDir()) continue;
        for (const auto& owned : static_cast<FolderSystemItem*>(node)->childrenArray()) {
            FileSystemItem* child = owned.get();
            if (child->isDir() && !child->isPackage())
                stack.push_back(child);
            else if (child->getDuplicateItem())
                addItem(child->getDuplicateItem());
            else if (collectOtherFiles)
                otherItems.push_back(child);
        }
    }
}

void InternalDuplicatesByGroupSeparator::removeFullGroupsWithAction(
    const std::function<void(DuplicatesGroup&, const Members&)>& action) {
    for (auto it = duplicatesByGroups.begin(); it != duplicatesByGroups.end();) {
        ++countOfRemovedFullGroups;
        DuplicatesGroup& group = *it->second.group;
        std::int64_t outside = group.getTotalCount() - group.getItemsCountInDuplicatesFolders();
        if (outside <= static_cast<std::int64_t>(it->second.members.size())) {
            Entry entry = std::move(it->second);
            it = duplicatesByGroups.erase(it);
            if (action) action(*entry.group, entry.members);
        } else {
            ++it;
        }
    }
}

std::vector<std::shared_ptr<DuplicateItem>> InternalDuplicatesByGroupSeparator::allDuplicates() const {
    std::vector<std::shared_ptr<DuplicateItem>> out;
    for (const auto& [id, entry] : duplicatesByGroups) out.insert(out.end(), entry.members.begin(), entry.members.end());
    return out;
}

std::size_t InternalDuplicatesByGroupSeparator::countOfDuplicates() const {
    std::size_t count = 0;
    for (const auto& [id, entry] : duplicatesByGroups) count += entry.members.size();
    return count;
}

const InternalDuplicatesByGroupSeparator::Members* InternalDuplicatesByGroupSeparator::itemsOfGroup(std::int64_t id) const {
    auto it = duplicatesByGroups.find(id);
    return it == duplicatesByGroups.end() ? nullptr : &it->second.members;
}

void InternalDuplicatesByGroupSeparator::enumerate(const std::function<void(const Members&, DuplicatesGroup&)>& visit) const {
    for (const auto& [id, entry] : duplicatesByGroups) visit(entry.members, *entry.group);
}

void InternalDuplicatesByGroupSeparator::enumerateWithAbilityToMutate(
    const std::function<void(Members&, DuplicatesGroup&)>& visit) {
    auto copy = duplicatesByGroups;  // the callback may add or remove groups
    for (auto& [id, entry] : copy) visit(entry.members, *entry.group);
}

std::unique_ptr<InternalDuplicatesByGroupSeparator> InternalDuplicatesByGroupSeparator::createCopy() const {
    auto copy = std::make_unique<InternalDuplicatesByGroupSeparator>(collectionType);
    copy->collectAllDuplicates = collectAllDuplicates;
    copy->collectOtherFiles = collectOtherFiles;
    copy->skipMainFolder = skipMainFolder;
    copy->duplicatesByGroups = duplicatesByGroups;
    return copy;
}
