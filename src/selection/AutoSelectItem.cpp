#include "selection/AutoSelectItem.h"

#include "results/DuplicateItem.h"
#include "scan/FolderSystemItem.h"
#include "selection/AutoSelectManager.h"

AutoSelectItem::AutoSelectItem(std::shared_ptr<DuplicateItem> item, const AutoSelectManager* manager)
    : m_pItem(std::move(item)) {
    if (manager && m_pItem) m_eChoice = manager->getChoiceUsingUserAutoSelectPathsForPath(m_pItem->getFileItemPath());
}

void AutoSelectItem::setChoice(AutoSelectChoice choice) {
    if (m_eChoice != AutoSelectChoiceNeverSelect) m_eChoice = choice;
}

FileSystemItem* AutoSelectItem::getComponentWithIndex(int index) const {
    if (!m_pItem || index < 1) return nullptr;
    FileSystemItem* node = m_pItem->getFileSystemItem();
    for (int i = 1; node && i < index; ++i) node = node->parent();
    return node;
}
