// All heaps of one main folder, keyed by the second folder's data ID, with the main folder's
// members that take part in them; heaps that touch a duplicate folder are kept apart. Also the
// last-copy tests used before selecting a whole folder. Used on the queue that changes the model.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "results/DuplicatesHeap.h"
#include "results/HeapsFolderData.h"

class HeapsGroup {
public:
    explicit HeapsGroup(std::shared_ptr<HeapsFolderData> mainFolder);
    HeapsGroup(const HeapsGroup&) = delete;
    HeapsGroup& operator=(const HeapsGroup&) = delete;

    const std::shared_ptr<HeapsFolderData>& getMainFolder() const { return m_pMainFolder; }
    const HeapsItemSet& getItemsInMainFolderThatParticipateInHeaps() const { return m_arrMainFolderItemsInHeaps; }
    std::vector<std::int64_t> getAllSubHeapsKeys() const;
    const std::vector<std::shared_ptr<DuplicatesHeap>>& getAllSubHeapsWithDuplicatesFolder() const {
        return m_arrHeapsWithDuplicatesFolder;
    }
    std::vector<std::shared_ptr<DuplicatesHeap>> buildAllSubHeapsArray() const;
    std::shared_ptr<DuplicatesHeap> getSubHeapWithSecondFolder(const FolderSystemItem* folder) const;
    const std::unordered_set<FolderSystemItem*>& getAllSecondFolders() const { return m_arrSecondFoldersForHeaps; }
    const std::unordered_set<std::shared_ptr<HeapsFolderData>>& getSecondHeapsFoldersData() const {
        return secondHeapsFoldersData;
    }
    std::uint64_t getCountOfHeapsInGroup() const { return m_arrHeaps.size(); }
    // Only heaps whose main folder is this group's.
    void addHeap(const std::shared_ptr<DuplicatesHeap>& heap);
    static bool isHeapWithDuplicateFolder(const DuplicatesHeap& heap);
    std::shared_ptr<DuplicatesHeap> getHeapForKey(std::int64_t secondFolderDataID) const;
    bool isCanBeUsedForFastRecalculation() const { return !m_arrHeaps.empty() || !m_arrHeapsWithDuplicatesFolder.empty(); }
    // Rebuilds every heap of the old group (duplicate-folder ones included) from this group's folder.
    void fastRecalculateGroup(const HeapsGroup& oldGroup);

    void calculateCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                               std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) const;
    // The given members hold every copy of some group that is still unselected.
    static bool isHasLastItemsInItems(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    // The given members hold unselected ones, each in a group with exactly one copy left to select.
    static bool isOnlyLastItemsNotSelectedInItems(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    bool isHasLastItems() const;

    // The counting rule shared with a heap's second folder: when `folder` is itself a group member,
    // its selection stands for all of its direct children; otherwise the members are counted and
    // every selected copy of their groups lying directly in one of `similarParents` is a similar one.
    static void calculateCountOfItemsIn(const std::vector<std::shared_ptr<DuplicateItem>>& items, FolderSystemItem* folder,
                                        const std::unordered_set<const FolderSystemItem*>& similarParents,
                                        std::uint64_t* count, std::uint64_t* countOfSelected,
                                        std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize);
    // The general form: `selectedWhenFolderIsSelected` is what the folder's own selection counts for,
    // and `isSimilarParent` says which parents make a selected copy a similar one.
    static void calculateCountOfItemsIn(const std::vector<std::shared_ptr<DuplicateItem>>& items, FolderSystemItem* folder,
                                        std::uint64_t selectedWhenFolderIsSelected,
                                        const std::function<bool(const FolderSystemItem*)>& isSimilarParent,
                                        std::uint64_t* count, std::uint64_t* countOfSelected,
                                        std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize);

private:
    std::shared_ptr<HeapsFolderData> m_pMainFolder;
    std::map<std::int64_t, std::shared_ptr<DuplicatesHeap>> m_arrHeaps;  // by second folder-data ID
    HeapsItemSet m_arrMainFolderItemsInHeaps;
    std::unordered_set<FolderSystemItem*> m_arrSecondFoldersForHeaps;  // weak: owned by the tree
    std::unordered_set<std::shared_ptr<HeapsFolderData>> secondHeapsFoldersData;
    std::vector<std::shared_ptr<DuplicatesHeap>> m_arrHeapsWithDuplicatesFolder;
};
