// The duplicate members inside one folder tree, keyed by group ID, with the tree's other files on
// request; "full" groups (every copy outside duplicate folders collected) can be taken out. Used by
// folder descriptions and folder-wide selection on one thread at a time (the model's queue).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;
class FileSystemItem;
class FolderSystemItem;

class InternalDuplicatesByGroupSeparator {
public:
    using Members = std::unordered_set<std::shared_ptr<DuplicateItem>>;

    // Type 1 collects everything below members, the other files, and skips the folder's own member.
    explicit InternalDuplicatesByGroupSeparator(std::int64_t collectionType);
    // Collects the folder; with type 1 the full groups then go to otherItems.
    InternalDuplicatesByGroupSeparator(FolderSystemItem* folder, std::int64_t collectionType);
    InternalDuplicatesByGroupSeparator(const InternalDuplicatesByGroupSeparator&) = delete;
    InternalDuplicatesByGroupSeparator& operator=(const InternalDuplicatesByGroupSeparator&) = delete;

    void addFolder(FolderSystemItem* folder);
    void addChildrenOfFolder(FolderSystemItem* folder);
    void addFileItem(FileSystemItem* item);
    // A member that lies in no duplicate folder.
    void addItem(DuplicateItem* item);
    void addItems(const Members& items, const std::shared_ptr<DuplicatesGroup>& group);
    void addSeparator(const InternalDuplicatesByGroupSeparator& other);
    void removeGroup(std::int64_t groupID);
    void removeFullGroups() { removeFullGroupsWithAction(nullptr); }
    void removeFullGroupsWithAction(const std::function<void(DuplicatesGroup&, const Members&)>& action);

    std::vector<std::shared_ptr<DuplicateItem>> allDuplicates() const;
    std::size_t countOfDuplicates() const;
    const Members* itemsOfGroup(std::int64_t groupID) const;
    void enumerate(const std::function<void(const Members&, DuplicatesGroup&)>& visit) const;
    void enumerateWithAbilityToMutate(const std::function<void(Members&, DuplicatesGroup&)>& visit);
    std::unique_ptr<InternalDuplicatesByGroupSeparator> createCopy() const;

    std::int64_t collectionType = 0;
    bool collectAllDuplicates = false;
    bool collectOtherFiles = false;
    bool skipMainFolder = false;
    std::vector<FileSystemItem*> otherItems;  // weak: owned by the tree
    std::int64_t countOfRemovedFullGroups = 0;

private:
    struct Entry {
        std::shared_ptr<DuplicatesGroup> group;
        Members members;
    };
    std::map<std::int64_t, Entry> duplicatesByGroups;  // by group ID
};
