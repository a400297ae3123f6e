#include "results/DuplicateItem.h"

#include <algorithm>

#include "detection/FileType.h"
#include "platform/FileSystem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

DuplicateItem::~DuplicateItem() = default;

void DuplicateItem::initWithFileItem(FileSystemItem* item, DuplicatesGroup* group) {
    if (!item || !group || m_bIsInited) return;
    DuplicateItem* current = item->getDuplicateItem();
    if (current && current != this) return;  // a node belongs to at most one group
    m_pGroup = group;
    if (!group->isHasItem(this)) {
        m_pGroup = nullptr;
        return;
    }
    m_pItem = item;
    m_sItemPath = item->path();
    m_bIsPackage = item->isDir() && item->isPackage();
    // The parent's path is the item path without its last component (also for a root's child).
    std::size_t slash = m_sItemPath.rfind('/');
    m_nParentPathLength = static_cast<std::uint32_t>(slash == std::string::npos ? 0 : (slash == 0 ? 1 : slash));
    item->setDuplicateItem(this);
    if (item->getDuplicateItem() != this) {
        m_pGroup = nullptr;
        return;
    }
    if (!item->isDir() && item->hasOtherNames())
        if (std::optional<FileIdentity> identity = FileIdentity::ofFileWithOtherNames(m_sItemPath))
            m_identity = std::make_unique<const FileIdentity>(*identity);
    updateAssociatedDuplicateFolder();
    m_bIsInited = true;
}

std::string DuplicateItem::getName() const { return m_pItem ? std::string(m_pItem->name()) : std::string(); }

std::string DuplicateItem::getDisplayName() const { return m_pItem ? m_pItem->displayName() : std::string(); }

std::int64_t DuplicateItem::getFileItemSize() const { return m_pItem ? m_pItem->logicalSize() : 0; }

std::int64_t DuplicateItem::getDiskSize() const { return m_pItem ? m_pItem->gettotalsize() : 0; }

std::int64_t DuplicateItem::getLastModificationDate() {
    if (m_lastModificationDate == kDateNotRead) {
        std::int64_t seconds = 0;
        if (!m_pItem || !m_pItem->getFileItemLastModificationDate(seconds)) seconds = 0;
        m_lastModificationDate = seconds;
    }
    return m_lastModificationDate;
}

int DuplicateItem::getLevel() {
    if (m_nLevel == 0) m_nLevel = static_cast<std::int32_t>(std::count(m_sItemPath.begin(), m_sItemPath.end(), '/'));
    return m_nLevel;
}

bool DuplicateItem::isDirectory() const { return m_pItem && m_pItem->isDir(); }

int DuplicateItem::getType() const {
    if (!m_pGroup || !m_pGroup->getCategory()) return FileTypeUnknown;
    return m_pGroup->getCategory()->getType();
}

int DuplicateItem::getTypeUsingFileSystemItem() const {
    if (!m_pItem) return FileTypeUnknown;
    if (m_pItem->isDir() && !m_pItem->isPackage()) return FileTypeFolder;
    return typeOfFileAtPath(m_pItem->name());
}

bool DuplicateItem::isMovedByUserOrDeleted() const {
    return m_sItemPath.empty() || !FileSystem::standard().exists(m_sItemPath);
}

bool DuplicateItem::calculateIsDiskContentChanged() const {
    if (m_sItemPath.empty() || !FileSystem::standard().exists(m_sItemPath)) return true;
    if (!m_pItem || !m_pItem->isDir()) return false;
    auto* folder = static_cast<FolderSystemItem*>(m_pItem);
    for (const auto& child : folder->childrenArray())
        if (!FileSystem::standard().exists(m_sItemPath + "/" + std::string(child->name()))) return true;
    return false;
}

bool DuplicateItem::selectItemForced(bool forced) { return m_pGroup ? m_pGroup->selectItem(this, forced) : false; }

void DuplicateItem::deselectItem() {
    if (m_pGroup) m_pGroup->deselectItem(this);
}

void DuplicateItem::updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem) {
    if (folderItem == this) folderItem = nullptr;
    DuplicateItem* association = folderItem;
    if (!association && m_pItem) {
        // Follow the enclosing duplicate folders upwards and keep the outermost.
        for (DuplicateItem* found = m_pItem->findParentDuplicateFolder(); found;) {
            association = found;
            FileSystemItem* node = found->getFileSystemItem();
            found = node ? node->findParentDuplicateFolder() : nullptr;
        }
    }
    bool wasInFolder = m_pAssociatedDuplicateFolder != nullptr;
    m_pAssociatedDuplicateFolder = association;
    if (m_bIsInited && m_pGroup && wasInFolder != (association != nullptr)) {
        // The group may move to another category and let go of this member: nothing below uses `this`.
        m_pGroup->updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(this);
    }
}

void DuplicateItem::addSelectionListener(const std::shared_ptr<DuplicateItemSelectionListener>& listener) {
    if (!listener) return;
    if (!m_pListeners) m_pListeners = std::make_unique<ListenersContainer<DuplicateItemSelectionListener>>();
    m_pListeners->add(listener);
}

void DuplicateItem::removeSelectionListener(const DuplicateItemSelectionListener* listener) {
    if (m_pListeners) m_pListeners->remove(listener);
}

void DuplicateItem::onItemSelectionChanged(DuplicateItem& item) {
    if (&item != this) return;
    bool selected = m_pGroup && m_pGroup->isItemInSelection(this);
    if (selected == m_bIsSelected) return;
    m_bIsSelected = selected;
    if (m_pListeners && m_pListeners->count() > 0) {
        m_pListeners->notifyAsync([self = shared_from_this()](DuplicateItemSelectionListener& listener) {
            listener.onItemSelectionChanged(self);
        });
    }
}

void DuplicateItem::onItemWillRemovedFromGroup(DuplicateItem& item, DuplicatesGroup& group) {
    if (&item != this || &group != m_pGroup) return;
    // Unlinking a folder node also tells the members inside it that this folder is gone.
    if (m_pItem && m_pItem->getDuplicateItem() == this) m_pItem->setDuplicateItem(nullptr);
    m_pGroup = nullptr;
    m_pAssociatedDuplicateFolder = nullptr;
    m_bIsInited = false;
    std::string().swap(m_sItemPath);
    m_nParentPathLength = 0;
}

void DuplicateItem::detachForTeardown() {
    m_pItem = nullptr;
    m_pGroup = nullptr;
    m_pAssociatedDuplicateFolder = nullptr;
}
