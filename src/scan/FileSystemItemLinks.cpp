// Links between tree nodes and the results model (DuplicateItem). Completed with the results model.
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"

void FileSystemItem::setDuplicateItem(DuplicateItem* item) { m_pDuplicateItem = item; }

void FileSystemItem::updateAssociatedDuplicateFolderTo(DuplicateItem*) {}

void FileSystemItem::updateDuplicateItemSelection() {}

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
