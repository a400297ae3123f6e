// Files or folders with identical content: one member per node, a selection that keeps one copy unless
// forced, one change notice per outermost change, and a move to the hidden category (and back) when it
// becomes (or stops being) fully inside duplicate folders. Used on the queue that changes the model.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "results/DuplicatesCategoryListener.h"
#include "results/DuplicatesGroupListener.h"

class DuplicateItem;
class FileSystemItem;
class GroupContent;
class GroupSelection;

// Created by a category through std::make_shared and held by it; joins that category once.
class DuplicatesGroup : public DuplicatesCategoryListener,
                        public DuplicatesGroupListener,
                        public std::enable_shared_from_this<DuplicatesGroup> {
public:
    // Takes the next group ID. `listener` is the creating category; it outlives the group's
    // membership and is forgotten when the group leaves it.
    DuplicatesGroup(std::vector<FileSystemItem*> items, DuplicatesGroupListener* listener);
    ~DuplicatesGroup() override;
    DuplicatesGroup(const DuplicatesGroup&) = delete;
    DuplicatesGroup& operator=(const DuplicatesGroup&) = delete;

    // Members (empty without content).
    std::vector<std::shared_ptr<DuplicateItem>> getItems() const;
    std::vector<FileSystemItem*> getFileSystemItems() const;
    bool isHasItem(const DuplicateItem* item) const;
    std::shared_ptr<DuplicateItem> addFileItem(FileSystemItem* item);
    void removeDuplicateItem(DuplicateItem* item);
    void removeDuplicateItemFromLogicalStructure(DuplicateItem* item) {
        removeDuplicateItemFromLogicalStructureWithSubItems(item, true);
    }
    // With sub-items, the members inside a folder member are taken out of their own groups first.
    void removeDuplicateItemFromLogicalStructureWithSubItems(DuplicateItem* item, bool withSubItems);

    // Selection. Unless forced, the last unselected copy cannot be selected.
    bool selectItem(DuplicateItem* item, bool forced);
    void deselectItem(DuplicateItem* item);
    void deselectAllItems();
    std::vector<std::shared_ptr<DuplicateItem>> getSelectedItems() const;
    bool isItemInSelection(const DuplicateItem* item) const;
    // What removing the selected copies frees on disk: a file's blocks count once, and only when
    // none of its names stays.
    std::uint64_t getSelectedSize() const;
    std::int64_t getSelectedCountWithDuplicatesFolderContent() const;
    std::int64_t getActualSelectedCount() const;
    bool isAllItemsSelected() const;
    bool isOneItemLeftToSelect() const;

    // Selection batches are process-wide: the selection notification is posted once, when the
    // outermost batch ends. Meant for the main thread.
    static void BeginSelectionGroup();
    static void EndSelectionGroup();
    static void sendNotificationThatSelectionChangedIfNeeded();

    // Facts.
    std::int64_t getGroupID() const { return m_nGroupID; }
    DuplicatesCategory* getCategory() const { return m_pCategory; }
    DuplicatesContainer* getContainer() override;
    bool isFolderGroup() const;
    const std::string& getGroupName();
    const std::string& getGroupNameWithoutExtension();
    const std::string& getGroupExtension();
    // Sizes on disk (allocated blocks) and of the content (logical bytes); each file counted once,
    // whatever the number of its names among the members.
    std::uint64_t getTotalSize() const;
    std::uint64_t getTotalContentSize() const;
    // What removing every copy but one frees.
    std::uint64_t getSizeThatCanBeRemoved() const;
    std::uint64_t getContentSizeThatCanBeRemoved() const;
    // Members (names), and the distinct files among them.
    std::int64_t getTotalCount() const;
    std::int64_t getFilesCount() const;
    // Members that share their file with another member (hard links), and how many files those are.
    std::int64_t getHardLinkedNamesCount() const;
    std::int64_t getHardLinkedFilesCount() const;
    bool hasHardLinks() const { return getHardLinkedNamesCount() > 0; }
    std::int64_t getCountOfDuplicatesThatCanBeRemoved() const;
    std::int64_t getItemsCountInPackages() const;
    std::int64_t getItemsCountInDuplicatesFolders() const;
    // One copy: its content, and its blocks on disk.
    std::uint64_t oneItemSize() const;
    std::uint64_t oneItemDiskSize() const;
    bool isAllItemsInPackages() const;
    bool isFullyInDuplicatesFolders() const { return m_bIsFullyInDuplicatesFolders; }
    bool calculateIsFullyInDuplicatesFolders() const;
    // Stores the new value and moves the group to the hidden category or back to its kind.
    void recalculateIsFullyInDuplicatesFolders();
    // Leaves its category; the target creates a new group from the same nodes (answered).
    std::shared_ptr<DuplicatesGroup> moveToCategory(DuplicatesCategory* category);

    // Change bookkeeping.
    void updateGroupInfo();
    void updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(DuplicateItem* item);
    void onWillChanged();
    void onDidChanged();
    void notifyListenerThatGroupWillChange();
    void notifyListenerThatGroupDidChanged();
    void resetGroupMainItem();
    void calculateGroupCachedData();

    // DuplicatesGroupListener: changes of this group's selection and content, passed on.
    void onGroupWillChange(DuplicatesGroup& group) override;
    void onGroupDidChanged(DuplicatesGroup& group) override;
    // DuplicatesCategoryListener, about this group only: joining and leaving a category.
    void onGroupAdded(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;
    void onGroupWillRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;
    void onGroupDidRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;

    // The container is going away: drop members and selection without announcing anything and
    // without touching tree nodes.
    void detachForTeardown();

private:
    void onOwnSelectionChanged(DuplicateItem& member);
    friend class DuplicatesCategory;
    friend class DuplicatesContainer;

    struct CachedNames {
        std::string name;
        std::string nameWithoutExtension;
        std::string extension;
    };

    // Process-wide and atomic because groups are created on several detection queues (and the main
    // thread) at once; an ID is never reused within a run.
    static std::atomic<std::int64_t> s_nNextGroupID;
    // Atomic only to keep the counter free of data races; batches are meant for one thread (main).
    static std::atomic<int> s_nSelectionGroupDepth;

    std::int64_t m_nGroupID;
    std::unique_ptr<CachedNames> m_pNames;  // built on first request, dropped on every change
    DuplicatesCategory* m_pCategory = nullptr;          // weak: cleared when the group leaves it
    DuplicatesGroupListener* m_pListener = nullptr;     // weak: the creating category, cleared on leaving
    std::vector<FileSystemItem*> m_arrFileSystemItems;  // the nodes given at creation, until joining
    std::shared_ptr<GroupContent> m_pContent;           // present while the group is in its category
    std::unique_ptr<GroupSelection> m_pSelection;
    std::int32_t m_nNotificationDeep = 0;
    std::size_t m_nCategoryIndex = static_cast<std::size_t>(-1);  // slot in the category's list
    std::size_t m_nAllFilesIndex = static_cast<std::size_t>(-1);  // slot in the container's file groups
    bool m_bIsFullyInDuplicatesFolders = false;
    bool m_bIsPackageContent = false;
    bool m_bCanBeAddedToCategory = true;
};
