#include "results/CategoryStateManager.h"

CategoryStateManager& CategoryStateManager::sharedManager() {
    static CategoryStateManager manager;
    return manager;
}

std::optional<CategoryStateManager::CategoryItems> CategoryStateManager::getItemsForType(int type) const {
    std::lock_guard lock(m_mutex);
    auto it = m_allCategories.find(type);
    if (it == m_allCategories.end()) return std::nullopt;
    return it->second;
}

void CategoryStateManager::setDuplicateGroup(const std::shared_ptr<DuplicatesGroup>& group, int type) {
    std::lock_guard lock(m_mutex);
    CategoryItems& items = m_allCategories[type];
    if (items.duplicateGroup != group) items.fileItem.reset();
    items.duplicateGroup = group;
}

void CategoryStateManager::setFileItem(const std::shared_ptr<DuplicateItem>& item, int type) {
    std::lock_guard lock(m_mutex);
    m_allCategories[type].fileItem = item;
}

void CategoryStateManager::removeGategoryItems() {
    std::map<int, CategoryItems> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_allCategories);
    }
    // The references go outside the lock.
}

FolderSystemItem* CategoryStateManager::heapsMainFolderItem() const {
    std::lock_guard lock(m_mutex);
    return m_pHeapsMainFolderItem;
}

FolderSystemItem* CategoryStateManager::heapsSecondFolderItem() const {
    std::lock_guard lock(m_mutex);
    return m_pHeapsSecondFolderItem;
}

void CategoryStateManager::setHeapsMainFolderItem(FolderSystemItem* folder) {
    std::lock_guard lock(m_mutex);
    m_pHeapsMainFolderItem = folder;
}

void CategoryStateManager::setHeapsSecondFolderItem(FolderSystemItem* folder) {
    std::lock_guard lock(m_mutex);
    m_pHeapsSecondFolderItem = folder;
}

void CategoryStateManager::removeHeapsItems() {
    std::lock_guard lock(m_mutex);
    m_pHeapsMainFolderItem = nullptr;
    m_pHeapsSecondFolderItem = nullptr;
}

int CategoryStateManager::lastAutoSelectState() const {
    std::lock_guard lock(m_mutex);
    return m_nLastAutoSelectState;
}

void CategoryStateManager::setLastAutoSelectState(int state) {
    std::lock_guard lock(m_mutex);
    m_nLastAutoSelectState = state;
}
