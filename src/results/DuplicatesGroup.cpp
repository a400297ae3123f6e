#include "results/DuplicatesGroup.h"

#include <algorithm>

#include "detection/FileType.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/GroupContent.h"
#include "results/GroupSelection.h"
#include "scan/FolderSystemItem.h"
#include "selection/AutoSelectName.h"
#include "settings/AppNotification.h"

std::atomic<std::int64_t> DuplicatesGroup::s_nNextGroupID{1};
std::atomic<int> DuplicatesGroup::s_nSelectionGroupDepth{0};

namespace {
std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}
}  // namespace

DuplicatesGroup::DuplicatesGroup(std::vector<FileSystemItem*> items, DuplicatesGroupListener* listener)
    : m_nGroupID(s_nNextGroupID.fetch_add(1, std::memory_order_relaxed)),
      m_pListener(listener),
      m_arrFileSystemItems(std::move(items)),
      m_pSelection(std::make_unique<GroupSelection>(this)) {}

DuplicatesGroup::~DuplicatesGroup() = default;

// ---- Members ----

std::vector<std::shared_ptr<DuplicateItem>> DuplicatesGroup::getItems() const {
    return m_pContent ? m_pContent->getItems() : std::vector<std::shared_ptr<DuplicateItem>>();
}

std::vector<FileSystemItem*> DuplicatesGroup::getFileSystemItems() const {
    return m_pContent ? m_pContent->createArrayWithFileSystemItems() : std::vector<FileSystemItem*>();
}

bool DuplicatesGroup::isHasItem(const DuplicateItem* item) const {
    if (!item) return false;
    if (m_pCategory && m_pCategory->getType() == FileTypeUnknown) return true;
    return m_pContent && m_pContent->containsItem(item);
}

std::shared_ptr<DuplicateItem> DuplicatesGroup::addFileItem(FileSystemItem* item) {
    auto content = m_pContent;
    if (!content || !item) return nullptr;
    auto self = weak_from_this().lock();
    onWillChanged();
    auto member = content->addItem(item);
    onDidChanged();
    return member;
}

void DuplicatesGroup::removeDuplicateItem(DuplicateItem* item) {
    auto content = m_pContent;
    auto member = content ? content->findItem(item) : nullptr;
    if (!member) return;
    auto self = weak_from_this().lock();
    onWillChanged();
    m_pSelection->removeItem(item);
    content->removeItem(item);
    onDidChanged();
}

void DuplicatesGroup::removeDuplicateItemFromLogicalStructureWithSubItems(DuplicateItem* item, bool withSubItems) {
    auto member = m_pContent ? m_pContent->findItem(item) : nullptr;
    if (!member) return;
    auto self = weak_from_this().lock();
    FileSystemItem* node = member->getFileSystemItem();
    if (withSubItems && node && node->isDir()) {
        for (FileSystemItem* inner : static_cast<FolderSystemItem*>(node)->duplicatesDeepArray()) {
            DuplicateItem* innerMember = inner->getDuplicateItem();
            if (innerMember && innerMember->getGroup())
                innerMember->getGroup()->removeDuplicateItemFromLogicalStructureWithSubItems(innerMember, false);
        }
    }
    if (member->getGroup() == this) removeDuplicateItem(member.get());
}

// ---- Selection ----

bool DuplicatesGroup::selectItem(DuplicateItem* item, bool forced) {
    auto member = m_pContent ? m_pContent->findItem(item) : nullptr;
    if (!member || m_pSelection->containsItem(item)) return false;
    if (!forced && m_pSelection->getDirtyItemsCount() >= m_pContent->getItemsCount() - 1) return false;
    auto self = weak_from_this().lock();
    if (DuplicateItem* folder = member->getAssociatedDuplicateFolder()) {
        // A copy inside a duplicate folder goes only together with its folder.
        if (!folder->isSelected()) return false;
        m_pSelection->addItem(member);
        sendNotificationThatSelectionChangedIfNeeded();
        return true;
    }
    m_pSelection->addItem(member);
    onOwnSelectionChanged(*member);
    return true;
}

// A folder copy brings the copies inside it along, in one batch; a file copy just announces itself.
void DuplicatesGroup::onOwnSelectionChanged(DuplicateItem& member) {
    if (member.isDirectory() && member.getFileSystemItem()) {
        BeginSelectionGroup();
        member.getFileSystemItem()->updateDuplicateItemSelection();
        EndSelectionGroup();
    } else {
        sendNotificationThatSelectionChangedIfNeeded();
    }
}

void DuplicatesGroup::deselectItem(DuplicateItem* item) {
    auto member = m_pContent ? m_pContent->findItem(item) : nullptr;
    if (!member || !m_pSelection->containsItem(item)) return;
    auto self = weak_from_this().lock();
    if (DuplicateItem* folder = member->getAssociatedDuplicateFolder()) {
        if (folder->isSelected()) return;
        m_pSelection->removeItem(item);
        sendNotificationThatSelectionChangedIfNeeded();
        return;
    }
    m_pSelection->removeItem(item);
    onOwnSelectionChanged(*member);
}

void DuplicatesGroup::deselectAllItems() {
    auto self = weak_from_this().lock();
    BeginSelectionGroup();
    auto selected = m_pSelection->getItems();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) deselectItem(it->get());
    EndSelectionGroup();
}

std::vector<std::shared_ptr<DuplicateItem>> DuplicatesGroup::getSelectedItems() const { return m_pSelection->getItems(); }

bool DuplicatesGroup::isItemInSelection(const DuplicateItem* item) const { return m_pSelection->containsItem(item); }

std::uint64_t DuplicatesGroup::getSelectedSize() const {
    if (!m_pContent || !m_pContent->hasMembersWithOtherNames()) return m_pSelection->getTotalSize();
    // Names of one file: the blocks go only with the last name, and count once.
    std::vector<FileIdentity> staying;
    for (const auto& member : m_pContent->getItems())
        if (member->getFileIdentity() && !member->isSelected()) staying.push_back(*member->getFileIdentity());
    std::vector<FileIdentity> counted;
    std::uint64_t size = 0;
    for (const auto& member : m_pSelection->getItems()) {
        if (member->getAssociatedDuplicateFolder()) continue;
        if (const auto& identity = member->getFileIdentity()) {
            if (std::find(staying.begin(), staying.end(), *identity) != staying.end() ||
                std::find(counted.begin(), counted.end(), *identity) != counted.end())
                continue;
            counted.push_back(*identity);
        }
        size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, member->getDiskSize()));
    }
    return size;
}

std::int64_t DuplicatesGroup::getSelectedCountWithDuplicatesFolderContent() const {
    return m_pSelection->getDirtyItemsCount();
}

std::int64_t DuplicatesGroup::getActualSelectedCount() const { return m_pSelection->getActualItemsCount(); }

bool DuplicatesGroup::isAllItemsSelected() const {
    return m_pContent && m_pContent->getItemsCount() > 0 &&
           m_pSelection->getDirtyItemsCount() >= m_pContent->getItemsCount();
}

bool DuplicatesGroup::isOneItemLeftToSelect() const {
    return m_pContent && m_pSelection->getDirtyItemsCount() + 1 == m_pContent->getItemsCount();
}

void DuplicatesGroup::BeginSelectionGroup() { s_nSelectionGroupDepth.fetch_add(1, std::memory_order_relaxed); }

void DuplicatesGroup::EndSelectionGroup() {
    if (s_nSelectionGroupDepth.fetch_sub(1, std::memory_order_relaxed) - 1 <= 0) {
        s_nSelectionGroupDepth.store(0, std::memory_order_relaxed);
        sendNotificationThatSelectionChangedIfNeeded();
    }
}

void DuplicatesGroup::sendNotificationThatSelectionChangedIfNeeded() {
    if (s_nSelectionGroupDepth.load(std::memory_order_relaxed) <= 0)
        AppNotification::CreateDuplicateItemSelectionChangedNotification();
}

// ---- Facts ----

DuplicatesContainer* DuplicatesGroup::getContainer() { return m_pCategory ? m_pCategory->getContainer() : nullptr; }

bool DuplicatesGroup::isFolderGroup() const { return m_pCategory && m_pCategory->getType() == FileTypeFolder; }

const std::string& DuplicatesGroup::getGroupName() {
    if (!m_pNames) calculateGroupCachedData();
    return m_pNames->name;
}

const std::string& DuplicatesGroup::getGroupNameWithoutExtension() {
    if (!m_pNames) calculateGroupCachedData();
    return m_pNames->nameWithoutExtension;
}

const std::string& DuplicatesGroup::getGroupExtension() {
    if (!m_pNames) calculateGroupCachedData();
    return m_pNames->extension;
}

std::uint64_t DuplicatesGroup::getTotalSize() const { return m_pContent ? m_pContent->getTotalSize() : 0; }

std::uint64_t DuplicatesGroup::getTotalContentSize() const { return m_pContent ? m_pContent->getTotalContentSize() : 0; }

std::uint64_t DuplicatesGroup::getSizeThatCanBeRemoved() const {
    return m_pContent ? m_pContent->getSizeThatCanBeRemoved() : 0;
}

std::uint64_t DuplicatesGroup::getContentSizeThatCanBeRemoved() const {
    return m_pContent ? m_pContent->getContentSizeThatCanBeRemoved() : 0;
}

std::int64_t DuplicatesGroup::getTotalCount() const { return m_pContent ? m_pContent->getItemsCount() : 0; }

std::int64_t DuplicatesGroup::getFilesCount() const { return m_pContent ? m_pContent->getFilesCount() : 0; }

std::int64_t DuplicatesGroup::getHardLinkedNamesCount() const {
    return m_pContent ? m_pContent->getHardLinkedNamesCount() : 0;
}

std::int64_t DuplicatesGroup::getHardLinkedFilesCount() const {
    return m_pContent ? m_pContent->getHardLinkedFilesCount() : 0;
}

std::int64_t DuplicatesGroup::getCountOfDuplicatesThatCanBeRemoved() const {
    return m_pContent ? m_pContent->getItemsCountThatCanBeRemoved() : 0;
}

std::int64_t DuplicatesGroup::getItemsCountInPackages() const {
    return m_pContent ? m_pContent->getItemsCountInPackages() : 0;
}

std::int64_t DuplicatesGroup::getItemsCountInDuplicatesFolders() const {
    return m_pContent ? m_pContent->getItemsCountInDuplicatesFolders() : 0;
}

std::uint64_t DuplicatesGroup::oneItemSize() const {
    if (!m_pContent || m_pContent->getItems().empty()) return 0;
    std::int64_t size = m_pContent->getItems().front()->getFileItemSize();
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

std::uint64_t DuplicatesGroup::oneItemDiskSize() const {
    if (!m_pContent || m_pContent->getItems().empty()) return 0;
    std::int64_t size = m_pContent->getItems().front()->getDiskSize();
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

bool DuplicatesGroup::isAllItemsInPackages() const {
    return m_pContent && m_pContent->getItemsCount() > 0 &&
           m_pContent->getItemsCountInPackages() >= m_pContent->getItemsCount();
}

bool DuplicatesGroup::calculateIsFullyInDuplicatesFolders() const {
    if (m_bIsPackageContent || !m_pContent) return true;
    const auto& items = m_pContent->getItems();
    return std::all_of(items.begin(), items.end(),
                       [](const auto& member) { return member->getAssociatedDuplicateFolder() != nullptr; });
}

void DuplicatesGroup::recalculateIsFullyInDuplicatesFolders() {
    bool was = m_bIsFullyInDuplicatesFolders;
    bool now = calculateIsFullyInDuplicatesFolders();
    m_bIsFullyInDuplicatesFolders = now;
    // A group without members stays where it is: removeEmptyGroups accounts for it.
    if (was == now || !m_pCategory || !m_pContent || m_pContent->getItems().empty()) return;
    auto self = weak_from_this().lock();
    if (!self) return;
    if (now) {
        DuplicatesContainer* container = getContainer();  // the hidden category has none
        if (container && container->getHiddenCategoryOfDuplicates() != m_pCategory)
            moveToCategory(container->getHiddenCategoryOfDuplicates());
        return;
    }
    // Back from the hidden category to the kind of its first member.
    std::shared_ptr<DuplicatesContainer> current;
    DuplicatesContainer* container = m_pCategory->getOwnerContainer();
    if (!container) {
        current = DuplicatesContainer::currentContainer();
        container = current.get();
    }
    if (!container || container->getHiddenCategoryOfDuplicates() != m_pCategory) return;
    if (DuplicatesCategory* target =
            container->getCategoryWithType(m_pContent->getItems().front()->getTypeUsingFileSystemItem()))
        moveToCategory(target);
}

std::shared_ptr<DuplicatesGroup> DuplicatesGroup::moveToCategory(DuplicatesCategory* category) {
    if (!category || category == m_pCategory) return nullptr;
    auto self = weak_from_this().lock();
    std::vector<FileSystemItem*> nodes = m_pContent ? m_pContent->createArrayWithFileSystemItems() : m_arrFileSystemItems;
    if (m_pCategory) m_pCategory->removeGroup(this);
    return category->addGroupWithItems(nodes);
}

// ---- Change bookkeeping ----

void DuplicatesGroup::updateGroupInfo() {
    auto self = weak_from_this().lock();
    auto content = m_pContent;
    onWillChanged();
    if (content) content->updateInfo();
    m_pSelection->updateInfo();
    onDidChanged();
}

void DuplicatesGroup::updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(DuplicateItem* item) {
    auto content = m_pContent;
    if (!content || !content->containsItem(item)) return;
    auto self = weak_from_this().lock();
    onWillChanged();
    content->updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(*item);
    m_pSelection->updateInfo();
    onDidChanged();  // the outermost end also recomputes the duplicate-folder flag
}

void DuplicatesGroup::onWillChanged() {
    resetGroupMainItem();
    notifyListenerThatGroupWillChange();
}

void DuplicatesGroup::onDidChanged() {
    notifyListenerThatGroupDidChanged();
    // Only the outermost change may move the group: inner steps still work on its content.
    if (m_nNotificationDeep == 0) recalculateIsFullyInDuplicatesFolders();
}

void DuplicatesGroup::notifyListenerThatGroupWillChange() {
    if (m_nNotificationDeep == 0 && m_pListener) m_pListener->onGroupWillChange(*this);
    ++m_nNotificationDeep;
}

void DuplicatesGroup::notifyListenerThatGroupDidChanged() {
    if (m_nNotificationDeep > 0) --m_nNotificationDeep;
    if (m_nNotificationDeep == 0 && m_pListener) m_pListener->onGroupDidChanged(*this);
}

void DuplicatesGroup::resetGroupMainItem() { m_pNames.reset(); }

void DuplicatesGroup::calculateGroupCachedData() {
    m_pNames = std::make_unique<CachedNames>();
    if (!m_pContent || m_pContent->getItems().empty()) return;
    const auto& items = m_pContent->getItems();
    const DuplicateItem* main = items.front().get();
    for (const auto& member : items) {
        std::string name = member->getName();
        if (!member->isDirectory()) {
            std::string_view extension = pathExtension(name);
            if (!extension.empty()) name.resize(name.size() - extension.size() - 1);
        }
        const std::string lower = AutoSelectName::lowerCaseForComparison(name);
        if (AutoSelectName::calculateOriginalNameOfNameIsNameAlreadyInLowerCase(lower, true) == lower) {
            main = member.get();
            break;
        }
    }
    std::string display = main->getDisplayName();
    std::string_view extension = pathExtension(display);
    m_pNames->extension = asciiLower(extension);
    m_pNames->nameWithoutExtension =
        extension.empty() ? display : display.substr(0, display.size() - extension.size() - 1);
    m_pNames->name = std::move(display);
}

// ---- Listener calls about this group ----

void DuplicatesGroup::onGroupWillChange(DuplicatesGroup& group) {
    if (&group == this) onWillChanged();
}

void DuplicatesGroup::onGroupDidChanged(DuplicatesGroup& group) {
    if (&group == this) onDidChanged();
}

void DuplicatesGroup::onGroupAdded(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) {
    if (group.get() != this || m_pContent || m_pCategory || !m_bCanBeAddedToCategory) return;
    auto self = group;
    m_bCanBeAddedToCategory = false;
    m_pCategory = &category;
    auto content = std::make_shared<GroupContent>(this);
    m_pContent = content;
    onWillChanged();
    content->addItems(m_arrFileSystemItems);
    std::vector<FileSystemItem*>().swap(m_arrFileSystemItems);
    m_bIsPackageContent = isAllItemsInPackages();
    recalculateIsFullyInDuplicatesFolders();
    onDidChanged();
}

void DuplicatesGroup::onGroupWillRemoved(const std::shared_ptr<DuplicatesGroup>&, DuplicatesCategory&) {}

void DuplicatesGroup::onGroupDidRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) {
    if (group.get() != this || m_pCategory != &category) return;
    auto self = group;
    onWillChanged();
    m_pCategory = nullptr;
    if (auto content = m_pContent) {
        auto members = content->getItems();
        // From the last: each removal is then cheap.
        for (auto it = members.rbegin(); it != members.rend(); ++it) removeDuplicateItem(it->get());
    }
    m_pContent.reset();
    onDidChanged();
    m_pListener = nullptr;
}

void DuplicatesGroup::detachForTeardown() {
    m_pCategory = nullptr;
    m_pListener = nullptr;
    m_pSelection->clearForTeardown();
    if (m_pContent) m_pContent->detachForTeardown();
    m_pContent.reset();
    m_nNotificationDeep = 0;
}
