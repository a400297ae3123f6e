// The members of one group in path order (bytes, as memcmp orders them) with sizes and counts: copies
// outside duplicate folders, the one copy that has to stay (the first in path order; none while a copy
// lies in a duplicate folder). Names of one file (hard links) are one copy: their blocks count once and
// the names of the file that stays free nothing. Sizes are given on disk (allocated blocks) and as
// content (logical bytes). Owned by its group once it joined a category; used on the queue that
// changes the group.
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
    // refused too. Answers the new member or null. The member takes its place in path order.
    std::shared_ptr<DuplicateItem> addItem(FileSystemItem* item);
    // The same for many nodes at once (a new group): one sort instead of one insertion each.
    void addItems(const std::vector<FileSystemItem*>& items);
    void removeItem(DuplicateItem* item);
    const std::vector<std::shared_ptr<DuplicateItem>>& getItems() const { return m_arrItems; }
    bool containsItem(const DuplicateItem* item) const;
    std::shared_ptr<DuplicateItem> findItem(const DuplicateItem* item) const;

    // Every copy outside duplicate folders, each file once.
    std::uint64_t getTotalSize() const { return m_total.disk; }
    std::uint64_t getTotalContentSize() const { return m_total.content; }
    // The copy that stays.
    std::uint64_t getNotRemovedSize() const { return m_kept.disk; }
    // What removing every copy but the one that stays frees.
    std::uint64_t getSizeThatCanBeRemoved() const { return m_total.disk - m_kept.disk; }
    std::uint64_t getContentSizeThatCanBeRemoved() const { return m_total.content - m_kept.content; }
    std::vector<FileSystemItem*> createArrayWithFileSystemItems() const;
    std::int64_t getItemsCount() const { return static_cast<std::int64_t>(m_arrItems.size()); }
    // Names outside duplicate folders that are not names of the file that stays.
    std::int64_t getItemsCountThatCanBeRemoved() const { return m_nOutsideNames - m_nKeptNames; }
    std::int64_t getItemsCountInPackages() const { return m_nCountOfItemsInPackages; }
    std::int64_t getItemsCountInDuplicatesFolders() const { return m_nCountOfItemsInDuplicatesFolders; }
    // Members that carry a file identity (seen with other names); while there are none, no two
    // members are one file.
    bool hasMembersWithOtherNames() const { return m_nMembersWithIdentity > 0; }
    // Members that share their file with another member, and how many files those are.
    std::int64_t getHardLinkedNamesCount() const { return m_nHardLinkedNames; }
    std::int64_t getHardLinkedFilesCount() const { return m_nHardLinkedFiles; }
    // Distinct files among the members.
    std::int64_t getFilesCount() const { return getItemsCount() - m_nHardLinkedNames + m_nHardLinkedFiles; }

    // Counts everything again from the members (every change does: a change of one member already
    // costs a pass over the group's members elsewhere).
    void updateInfo();
    // The member moved into or out of a duplicate folder.
    void updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(const DuplicateItem& item);

    // The container is going away: every member forgets node and group; nodes are not touched.
    void detachForTeardown();

private:
    struct Sizes {
        std::uint64_t disk = 0;
        std::uint64_t content = 0;
    };
    static Sizes sizesOf(const DuplicateItem& item);
    // Creates the member for the node at the end of the list; null when the node is refused.
    std::shared_ptr<DuplicateItem> appendItem(FileSystemItem* item);

    DuplicatesGroup* m_pGroup;  // weak: the group owns its content
    std::vector<std::shared_ptr<DuplicateItem>> m_arrItems;
    Sizes m_total;
    Sizes m_kept;
    const DuplicateItem* m_pKept = nullptr;  // the first name of the copy that stays; null while a copy is in a duplicate folder
    std::int64_t m_nKeptNames = 0;           // names of the file that stays
    std::int64_t m_nOutsideNames = 0;
    std::int64_t m_nCountOfItemsInDuplicatesFolders = 0;
    std::int64_t m_nCountOfItemsInPackages = 0;
    std::int64_t m_nMembersWithIdentity = 0;
    std::int64_t m_nHardLinkedNames = 0;
    std::int64_t m_nHardLinkedFiles = 0;
};
