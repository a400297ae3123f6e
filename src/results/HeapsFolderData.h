// One folder that holds duplicate members among its direct children: its members (in the folder's
// order), their groups (sorted by address) and their summed size, refreshed on demand after
// updateData. Used on the queue that changes the model.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;
class FolderSystemItem;

using HeapsGroupSet = std::unordered_set<std::shared_ptr<DuplicatesGroup>>;
using HeapsItemSet = std::unordered_set<std::shared_ptr<DuplicateItem>>;
// Groups sorted by address (std::less of the pointers), searched by halving.
using HeapsGroupList = std::vector<std::shared_ptr<DuplicatesGroup>>;

class HeapsFolderData {
public:
    // Takes the next folder-data ID (process-wide, from 1).
    explicit HeapsFolderData(FolderSystemItem* folder);
    HeapsFolderData(const HeapsFolderData&) = delete;
    HeapsFolderData& operator=(const HeapsFolderData&) = delete;

    std::int64_t getID() const { return m_nID; }
    // The members may have changed: they are gathered again on the next request.
    void updateData() { m_bNeedUpdate = true; }
    FolderSystemItem* getFolderSystemItem() const { return m_pFolder; }
    const HeapsGroupList& getGroups();
    const std::vector<std::shared_ptr<DuplicateItem>>& getItems();
    // The folder's members that belong to one of the given groups.
    std::vector<std::shared_ptr<DuplicateItem>> getItemsFromFolderInGroups(const HeapsGroupList& groups);
    std::uint64_t getAllDuplicatesSize();

    // Counts for the heap views; each out-value is written only when given.
    void calculateCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                               std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize);
    std::uint64_t calculateCountOfGroupsThatFullySelected();

private:
    void refreshIfNeeded();

    std::int64_t m_nID;
    FolderSystemItem* m_pFolder;  // weak: the container's roots keep it alive
    std::uint64_t m_nAllDuplicatesSize = 0;
    // Vectors, not hash sets: a scan of /usr has some 17 000 folder datas, and a set's nodes and
    // buckets took three times the room.
    std::vector<std::shared_ptr<DuplicateItem>> m_arrItems;
    HeapsGroupList m_arrGroups;
    bool m_bNeedUpdate = true;
};
