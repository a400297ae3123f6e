// The comparison summary of one candidate folder: counts of its direct children (all, sub-folders,
// unique, not yet checked) and, for the children of the last processed bucket, how many fall into
// each duplicate group. Used on the queue "folderseparator.working" only.
#pragma once

#include <cstdint>
#include <map>

class FileSystemItem;
class FolderSystemItem;

class FolderDuplicatesInfo {
public:
    explicit FolderDuplicatesInfo(FolderSystemItem* folder);  // computes the summary at once
    FolderDuplicatesInfo(const FolderDuplicatesInfo&) = delete;
    FolderDuplicatesInfo& operator=(const FolderDuplicatesInfo&) = delete;

    FolderSystemItem* getFolder() const { return m_pFolder; }
    void updateData();
    void resetGroupsInfo();
    // Counts a direct child that is checked for duplicates: in its group, or as unique.
    void updateDataAfterProcessedItem(const FileSystemItem* item);

    bool isHasUniqueItems() const { return m_nCountOfUniqueItems > 0; }
    std::int64_t getCountOfNotCheckedItems() const { return m_nCountOfNotCheckedItems; }
    std::int64_t getCountOfSubFolders() const { return m_nCountOfSubFolders; }
    std::int64_t getCountOfItems() const { return m_nCountOfItems; }
    std::int64_t getCountOfUniqueItems() const { return m_nCountOfUniqueItems; }
    std::int64_t getCountOfDuplicatesGroups() const { return m_nCountOfDuplicatesGroups; }
    std::int64_t getCountOfDuplicatesInGroupWithID(std::int64_t groupID) const;
    // Same counts and the same groups in the same numbers; two empty folders only with equal names.
    bool isEqualToFolderInfo(const FolderDuplicatesInfo* other) const;

private:
    FolderSystemItem* m_pFolder;                    // weak: owned by the scanned tree
    std::map<std::int64_t, std::int64_t> m_arrGroupInfo;  // group ID → children of the last bucket in it
    std::int64_t m_nCountOfItems = 0;
    std::int64_t m_nCountOfSubFolders = 0;
    std::int64_t m_nCountOfUniqueItems = 0;
    std::int64_t m_nCountOfNotCheckedItems = 0;
    std::int64_t m_nCountOfDuplicatesGroups = 0;
};
