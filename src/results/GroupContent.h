// The members of one group in arrival order with sizes and counts: copies outside duplicate folders,
// the one copy that has to stay (none while a copy lies in a duplicate folder); subtractions stop at 0.
// Owned by its group once it joined a category; used on the queue that changes the group.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;
class FileSystemItem;

class GroupContent : public std::enable_shared_from_this<GroupContent> {
public:
    explicit GroupContent(DuplicatesGroup* group) : m_pGroup(group) {}
    GroupContent(const GroupContent&) = delete;
    GroupContent& operator=(const GroupContent&) = delete;

    // A node inside a package is refused by a kind category; a node that already has a member is
    // refused too. Answers the new member or null.
    std::shared_ptr<DuplicateItem> addItem(FileSystemItem* item);
    void removeItem(DuplicateItem* item);
    const std::vector<std::shared_ptr<DuplicateItem>>& getItems() const { return m_arrItems; }
    bool containsItem(const DuplicateItem* item) const;
    std::shared_ptr<DuplicateItem> findItem(const DuplicateItem* item) const;

    std::uint64_t getTotalSize() const { return m_nTotalSize; }
    std::uint64_t getNotRemovedSize() const { return m_nNotRemovedSize; }
    std::uint64_t getSizeThatCanBeRemoved() const {
        return m_nTotalSize > m_nNotRemovedSize ? m_nTotalSize - m_nNotRemovedSize : 0;
    }
    std::vector<FileSystemItem*> createArrayWithFileSystemItems() const;
    std::int64_t getItemsCount() const { return static_cast<std::int64_t>(m_arrItems.size()); }
    std::int64_t getItemsCountThatCanBeRemoved() const { return m_nCountOfItemsThatCanBeRemoved; }
    std::int64_t getItemsCountInPackages() const { return m_nCountOfItemsInPackages; }
    std::int64_t getItemsCountInDuplicatesFolders() const { return m_nCountOfItemsInDuplicatesFolders; }

    // Replays the arrival of every member in order.
    void updateInfo();
    // The member moved into or out of a duplicate folder: its departure with the former state, its
    // arrival with the new one.
    void updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(const DuplicateItem& item);
    void updateDataAfterAddItem(const DuplicateItem& item);
    void updateDataAfterRemoveItem(const DuplicateItem& item);
    void updateDataAfterAddItemWithSize(std::uint64_t size, bool inDuplicatesFolder);
    void updateDataAfterRemoveItemWithSize(std::uint64_t size, bool inDuplicatesFolder);

    // The container is going away: every member forgets node and group; nodes are not touched.
    void detachForTeardown();

private:
    DuplicatesGroup* m_pGroup;  // weak: the group owns its content
    std::vector<std::shared_ptr<DuplicateItem>> m_arrItems;
    std::uint64_t m_nTotalSize = 0;
    std::uint64_t m_nNotRemovedSize = 0;
    std::int64_t m_nCountOfItemsInDuplicatesFolders = 0;
    std::int64_t m_nCountOfItemsThatCanBeRemoved = 0;
    std::int64_t m_nCountOfItemsInPackages = 0;
};
