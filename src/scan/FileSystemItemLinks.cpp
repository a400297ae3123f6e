// Links between tree nodes and the results model: a node points at its member (raw, cleared by the
// member when it leaves its group), and a folder passes changes of its duplicate-folder state down to
// the members inside it. Called on the queue that changes the results model.
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"

void FileSystemItem::setDuplicateItem(DuplicateItem* item) {
    if (item) {
        DuplicatesGroup* group = item->getGroup();
        if (!group || !group->isHasItem(item)) return;
    }
    m_nLinkOrHint = reinterpret_cast<std::uintptr_t>(item);
    if (!isDir()) return;
    // Everything inside this folder (the folder included) now lies in the outermost duplicate folder
    // around it, or in this one; with the link cleared, each member looks for its folder again.
    DuplicateItem* folder = nullptr;
    if (item) {
        item->updateAssociatedDuplicateFolder();
        folder = item->getAssociatedDuplicateFolder() ? item->getAssociatedDuplicateFolder() : item;
    }
    updateAssociatedDuplicateFolderTo(folder);
}

void FileSystemItem::updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem) {
    if (DuplicateItem* member = getDuplicateItem()) member->updateAssociatedDuplicateFolderTo(folderItem);
}

void FileSystemItem::updateDuplicateItemSelection() {
    DuplicateItem* member = getDuplicateItem();
    if (!member) return;
    DuplicateItem* folder = member->getAssociatedDuplicateFolder();
    if (!folder) return;
    if (folder->isSelected())
        member->selectItemForced(true);
    else
        member->deselectItem();
}

DuplicateItem* FileSystemItem::findParentDuplicateFolder() const {
    for (const FolderSystemItem* f = m_pParent; f; f = f->parent())
        if (f->getDuplicateItem()) return f->getDuplicateItem();
    return nullptr;
}

void FolderSystemItem::updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem) {
    FileSystemItem::updateAssociatedDuplicateFolderTo(folderItem);
    for (auto& c : m_arrChildren) c->updateAssociatedDuplicateFolderTo(folderItem);
}

void FolderSystemItem::updateDuplicateItemSelection() {
    FileSystemItem::updateDuplicateItemSelection();
    for (auto& c : m_arrChildren) c->updateDuplicateItemSelection();
}
