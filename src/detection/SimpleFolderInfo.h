// A candidate duplicate folder with its cheap identity (logical size and count of all descendants),
// and the grouping and orderings of candidate groups. Used on the duplicate-folder filter's queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class FolderSystemItem;

class SimpleFolderInfo {
public:
    using Group = std::vector<std::shared_ptr<SimpleFolderInfo>>;

    explicit SimpleFolderInfo(FolderSystemItem* folder) : m_pFolderItem(folder) {}
    SimpleFolderInfo(const SimpleFolderInfo&) = delete;
    SimpleFolderInfo& operator=(const SimpleFolderInfo&) = delete;

    FolderSystemItem* getSystemItem() const { return m_pFolderItem; }
    // "size_descendants", the identity of method 1.
    std::string buildSimplyHash() const { return buildSizeAndChildrenCountIdentifier(); }
    // Empty for any method other than 1.
    std::string buildIdentifierForMethod(int method) const;
    std::string buildSizeAndChildrenCountIdentifier() const;
    std::pair<std::int64_t, std::uint64_t> identity() const;
    // No node anywhere below that was checked and found in no group; unchecked nodes do not count.
    bool isCanBeDuplicate() const;

    // Groups of 2 or more candidates with equal identity (method 1 only); the folder of a candidate
    // left alone is marked as checked for duplicates.
    static std::vector<Group> GroupFolders(const std::vector<std::shared_ptr<SimpleFolderInfo>>& infos, int method);
    static std::vector<Group> GroupFoldersBySizeAndChildrenCount(const std::vector<std::shared_ptr<SimpleFolderInfo>>& infos) {
        return GroupFolders(infos, 1);
    }
    // By the sample folder's logical size, largest first.
    static std::vector<Group> PreSortedGroupsBySizeFromBigToSmall(std::vector<Group> groups);
    // Clusters of groups nested in one another, the cluster of the largest folders first; inside a
    // cluster small to big, so nested groups come before the groups of the folders around them.
    static std::vector<Group> SortedGroupsBySizeFromBigToSmall(std::vector<Group> groups);
    // By the sample folder's logical size, then its count of descendants, ascending.
    static std::vector<Group> SortedGroupsBySizeFromSmallToBig(std::vector<Group> groups);

private:
    FolderSystemItem* m_pFolderItem;  // weak: owned by the scanned tree
};
