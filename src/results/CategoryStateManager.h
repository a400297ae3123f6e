// Remembers, for the result views, what was last shown per file kind (group and file) and per heap
// (its two folders), plus the last auto-select state. One shared instance; every accessor locks, so
// any thread may call it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

class DuplicateItem;
class DuplicatesGroup;
class FolderSystemItem;

class CategoryStateManager {
public:
    // The entries "DuplicateGroup" and "FileItem" of one kind.
    struct CategoryItems {
        std::shared_ptr<DuplicatesGroup> duplicateGroup;
        std::shared_ptr<DuplicateItem> fileItem;
    };

    static CategoryStateManager& sharedManager();

    CategoryStateManager() = default;
    CategoryStateManager(const CategoryStateManager&) = delete;
    CategoryStateManager& operator=(const CategoryStateManager&) = delete;

    std::optional<CategoryItems> getItemsForType(int type) const;
    // A group other than the one stored before also forgets the stored file.
    void setDuplicateGroup(const std::shared_ptr<DuplicatesGroup>& group, int type);
    void setFileItem(const std::shared_ptr<DuplicateItem>& item, int type);
    void removeGategoryItems();

    // The folders of the heap last shown (weak: nodes of the current results).
    FolderSystemItem* heapsMainFolderItem() const;
    FolderSystemItem* heapsSecondFolderItem() const;
    void setHeapsMainFolderItem(FolderSystemItem* folder);
    void setHeapsSecondFolderItem(FolderSystemItem* folder);
    void removeHeapsItems();

    int lastAutoSelectState() const;
    void setLastAutoSelectState(int state);

private:
    mutable std::mutex m_mutex;
    std::map<int, CategoryItems> m_allCategories;          // guarded by m_mutex
    FolderSystemItem* m_pHeapsMainFolderItem = nullptr;    // guarded by m_mutex
    FolderSystemItem* m_pHeapsSecondFolderItem = nullptr;  // guarded by m_mutex
    std::int32_t m_nLastAutoSelectState = 0;               // guarded by m_mutex
};
