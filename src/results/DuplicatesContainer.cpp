#include "results/DuplicatesContainer.h"

#include <algorithm>
#include <mutex>

#include "detection/FileType.h"
#include "platform/Dispatch.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesHeaps.h"
#include "scan/VolumeSystemItem.h"
#include "settings/AppNotification.h"

namespace {
std::mutex g_currentContainerMutex;
std::weak_ptr<DuplicatesContainer> g_currentContainer;  // guarded by g_currentContainerMutex

std::string withTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}
}  // namespace

DuplicatesContainer::DuplicatesContainer(bool withHeaps, std::shared_ptr<ExcludeChecker> excludeChecker)
    : m_pExcludeChecker(std::move(excludeChecker)) {
    for (int type = FileTypeImage; type <= FileTypeFolder; ++type)
        m_arrCategories.push_back(std::make_unique<DuplicatesCategory>(type, this));
    m_arrCategories.push_back(std::make_unique<DuplicatesCategory>(FileTypeUnknown, nullptr));
    m_pHiddenCategoryOfDuplicates = m_arrCategories.back().get();
    m_pSmallDuplicatesCategory = std::make_unique<DuplicatesCategory>(FileTypeUnknown, nullptr);
    for (auto& category : m_arrCategories) category->setOwnerContainer(this);
    m_pSmallDuplicatesCategory->setOwnerContainer(this);
    if (withHeaps) m_pHeaps = std::make_unique<DuplicatesHeaps>();
}

void DuplicatesContainer::letHeapsGo() { m_pHeaps.reset(); }

DuplicatesContainer::~DuplicatesContainer() {
    // Groups let go of their members without announcements and without touching the nodes; the
    // roots (and with them the nodes) go last.
    for (auto& category : m_arrCategories) category->detachAllGroupsForTeardown();
    m_pSmallDuplicatesCategory->detachAllGroupsForTeardown();
    m_arrAllFilesGroups.takeAll();
}

void DuplicatesContainer::setCurrentContainer(const std::shared_ptr<DuplicatesContainer>& container) {
    std::lock_guard lock(g_currentContainerMutex);
    g_currentContainer = container;
}

std::shared_ptr<DuplicatesContainer> DuplicatesContainer::currentContainer() {
    std::lock_guard lock(g_currentContainerMutex);
    return g_currentContainer.lock();
}

// ---- Roots ----

void DuplicatesContainer::saveRoots(std::vector<std::unique_ptr<VolumeSystemItem>> roots) {
    for (auto& root : roots)
        if (root) m_arrRoots.push_back(std::move(root));
}

void DuplicatesContainer::updateRoots() {
    for (auto& root : m_arrRoots) root->calctotalsize();
}

std::vector<VolumeSystemItem*> DuplicatesContainer::buildRootFolders() const {
    std::vector<VolumeSystemItem*> out;
    out.reserve(m_arrRoots.size());
    for (const auto& root : m_arrRoots) out.push_back(root.get());
    return out;
}

std::vector<FileSystemItem*> DuplicatesContainer::findSystemItemWithPath(const std::string& path) const {
    std::vector<FileSystemItem*> found;
    auto add = [&](FileSystemItem* node) {
        if (std::find(found.begin(), found.end(), node) == found.end()) found.push_back(node);
    };
    const std::string wanted = withTrailingSlash(path);
    for (const auto& root : m_arrRoots) {
        const std::string rootPath = withTrailingSlash(root->path());
        if (rootPath.compare(0, wanted.size(), wanted) == 0) {
            add(root.get());
            continue;
        }
        if (wanted.compare(0, rootPath.size(), rootPath) != 0 || wanted.size() - rootPath.size() < 2) continue;
        // Follow the components between the root and the path, child by child.
        std::string_view rest(wanted);
        rest = rest.substr(rootPath.size(), rest.size() - rootPath.size() - 1);
        FileSystemItem* node = root.get();
        while (node && !rest.empty()) {
            std::size_t slash = rest.find('/');
            std::string_view component = rest.substr(0, slash);
            rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
            if (component.empty()) continue;
            node = node->isDir() ? static_cast<FolderSystemItem*>(node)->childWithName(component) : nullptr;
        }
        if (node) {
            add(node);
            break;
        }
    }
    return found;
}

FileSystemItem* DuplicatesContainer::findExistedSystemItemWithPath(const std::string& path) const {
    auto found = findSystemItemWithPath(path);
    return found.size() == 1 ? found.front() : nullptr;
}

// ---- Categories and groups ----

DuplicatesCategory* DuplicatesContainer::getCategoryWithType(int type) const {
    if (type < FileTypeImage || type > FileTypeFolder) return nullptr;
    return m_arrCategories[static_cast<std::size_t>(type)].get();
}

std::vector<DuplicatesCategory*> DuplicatesContainer::getCategories() const {
    std::vector<DuplicatesCategory*> out;
    for (const auto& category : m_arrCategories) out.push_back(category.get());
    return out;
}

std::shared_ptr<DuplicatesGroup> DuplicatesContainer::addGroupWithItems(const std::vector<FileSystemItem*>& items) {
    if (items.size() < 2 || !items.front()) return nullptr;
    FileSystemItem* first = items.front();
    int type = (first->isDir() && !first->isPackage()) ? FileTypeFolder : typeOfFileAtPath(first->name());
    DuplicatesCategory* category = getCategoryWithType(type);
    return category ? category->addGroupWithItems(items) : nullptr;
}

std::int64_t DuplicatesContainer::getAllFilesSize() const {
    std::int64_t total = 0;
    for (int type = FileTypeImage; type <= FileTypeFolder; ++type) total += getCategoryWithType(type)->getTotalSize();
    return total;
}

// ---- Remove list and selection ----

std::vector<std::shared_ptr<DuplicateItem>> DuplicatesContainer::buildRemoveListWithFolders(bool withFolders) const {
    std::vector<std::shared_ptr<DuplicateItem>> list;
    for (const auto& category : m_arrCategories) {
        if (!withFolders && category->getType() == FileTypeFolder) continue;
        for (const auto& group : category->getGroups())
            for (const auto& member : group->getSelectedItems())
                if (!member->getAssociatedDuplicateFolder()) list.push_back(member);  // its folder goes instead
    }
    return list;
}

std::int64_t DuplicatesContainer::getItemsCountInRemoveList() const {
    std::int64_t count = 0;
    for (int type = FileTypeImage; type <= FileTypeFolder; ++type)
        count += getCategoryWithType(type)->getCountOfActualSelectedItems();
    return count;
}

std::int64_t DuplicatesContainer::getRemoveListTotalSize() const {
    std::int64_t size = 0;
    for (int type = FileTypeImage; type <= FileTypeFolder; ++type)
        size += getCategoryWithType(type)->getTotalSelectedSize();
    return size;
}

void DuplicatesContainer::restoreRemoveListTo(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    DuplicatesGroup::BeginSelectionGroup();
    deselectAllItems();
    for (const auto& member : items)
        if (member) member->selectItemForced(false);
    DuplicatesGroup::EndSelectionGroup();
}

bool DuplicatesContainer::isCurrentRemoveListEqualToList(const std::vector<std::shared_ptr<DuplicateItem>>& items) const {
    if (static_cast<std::int64_t>(items.size()) != getItemsCountInRemoveList()) return false;
    for (const auto& member : items) {
        if (!member || !member->isSelected()) return false;
        DuplicatesGroup* group = member->getGroup();
        DuplicatesCategory* category = group ? group->getCategory() : nullptr;
        if (!category || category->getContainer() != this) return false;
    }
    return true;
}

void DuplicatesContainer::deselectItemsInFolders(const std::vector<FolderSystemItem*>& folders) {
    DuplicatesGroup::BeginSelectionGroup();
    for (FolderSystemItem* folder : folders) {
        if (!folder) continue;
        for (FileSystemItem* node : folder->duplicatesDeepArray())
            if (DuplicateItem* member = node->getDuplicateItem()) member->deselectItem();
    }
    DuplicatesGroup::EndSelectionGroup();
}

void DuplicatesContainer::deselectAllItems() {
    DuplicatesGroup::BeginSelectionGroup();
    for (const auto& category : m_arrCategories)
        for (const auto& group : category->getGroups()) group->deselectAllItems();
    DuplicatesGroup::EndSelectionGroup();
}

// ---- Removal ----

void DuplicatesContainer::removeDuplicateItemsFromLogicalStructure(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    for (const auto& member : items) {
        if (!member) continue;
        FileSystemItem* node = member->getFileSystemItem();
        if (DuplicatesGroup* group = member->getGroup()) group->removeDuplicateItemFromLogicalStructure(member.get());
        if (node && node->parent()) node->parent()->removeChildAndRecalc(node);
    }
}

void DuplicatesContainer::removeDuplicateItemsFromLogicalStructureWithRecalculateParent(
    const std::vector<FileSystemItem*>& items, bool recalculateParent) {
    for (FileSystemItem* node : items) {
        if (!node) continue;
        if (DuplicateItem* member = node->getDuplicateItem())
            if (DuplicatesGroup* group = member->getGroup()) group->removeDuplicateItemFromLogicalStructure(member);
        if (FolderSystemItem* parent = node->parent()) {
            if (recalculateParent)
                parent->removeChildAndRecalc(node);
            else
                parent->removeChild(node);
        }
    }
}

void DuplicatesContainer::validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener* listener) {
    removeDuplicatesGroupsThatFullyInDuplicatesFoldersOrReturnItBack();
    restoreDuplicatesGroupsThatNotFullyInDuplicatesFolders(m_pHiddenCategoryOfDuplicates->getGroups());
    removeDuplicatesGroupsThatFullyInDuplicatesFolders(m_arrAllFilesGroups.snapshot());
    if (m_pHeaps) m_pHeaps->validateEmptyDataAfterRemoveWithListener(listener);
    dispatch::main().async([] { AppNotification::CreateDuplicatesContainerDataChangedNotification(); });
}

std::shared_ptr<DuplicatesGroup> DuplicatesContainer::markAsDuplicatesFolder(FolderSystemItem* folder,
                                                                             FolderSystemItem* otherFolder) {
    if (!folder || !otherFolder) return nullptr;
    deselectItemsInFolders({folder, otherFolder});
    auto groupOf = [](FolderSystemItem* node) -> std::shared_ptr<DuplicatesGroup> {
        DuplicateItem* member = node->getDuplicateItem();
        DuplicatesGroup* group = member ? member->getGroup() : nullptr;
        return group ? group->weak_from_this().lock() : nullptr;
    };
    if (auto group = groupOf(folder)) {
        group->addFileItem(otherFolder);
        return group;
    }
    if (auto group = groupOf(otherFolder)) {
        group->addFileItem(folder);
        return group;
    }
    return addGroupWithItems({folder, otherFolder});
}

// ---- Category listener ----

void DuplicatesContainer::onGroupAdded(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory&) {
    m_arrAllFilesGroups.add(group);
    if (m_pHeaps) m_pHeaps->addGroup(group);
}

void DuplicatesContainer::onGroupWillRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory&) {
    if (m_pHeaps) m_pHeaps->removeGroup(group);
}

void DuplicatesContainer::onGroupDidRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory&) {
    m_arrAllFilesGroups.remove(group.get());
}

// ---- Clean-up ----

std::int64_t DuplicatesContainer::removeEmptyGroupsFromCategoryWithType(int type) {
    return removeEmptyGroupsFromCategory(getCategoryWithType(type));
}

std::int64_t DuplicatesContainer::removeEmptyGroupsFromCategory(DuplicatesCategory* category) {
    return category ? category->removeEmptyGroups() : 0;
}

void DuplicatesContainer::removeDuplicatesGroupsThatFullyInDuplicatesFoldersOrReturnItBack() {
    // Removing a folder group can empty another, so the folder category goes round until it is stable.
    while (removeEmptyGroupsFromCategoryWithType(FileTypeFolder) > 0) {
    }
    for (int type = FileTypeImage; type <= FileTypeOther; ++type) removeEmptyGroupsFromCategoryWithType(type);
    removeEmptyGroupsFromCategory(m_pHiddenCategoryOfDuplicates);
}

void DuplicatesContainer::restoreDuplicatesGroupsThatNotFullyInDuplicatesFolders(
    const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    for (const auto& group : groups) {
        if (group->getCategory() != m_pHiddenCategoryOfDuplicates || group->getTotalCount() == 0) continue;
        if (group->calculateIsFullyInDuplicatesFolders()) continue;
        auto items = group->getItems();
        if (DuplicatesCategory* target = getCategoryWithType(items.front()->getTypeUsingFileSystemItem()))
            group->moveToCategory(target);
    }
}

void DuplicatesContainer::removeDuplicatesGroupsThatFullyInDuplicatesFolders(
    const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        const auto& group = *it;
        DuplicatesCategory* category = group->getCategory();
        if (!category || category == m_pHiddenCategoryOfDuplicates) continue;
        if (group->calculateIsFullyInDuplicatesFolders()) group->moveToCategory(m_pHiddenCategoryOfDuplicates);
    }
}
