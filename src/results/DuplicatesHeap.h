// A heap: an ordered pair of folders whose direct children share at least two duplicate groups,
// with the shared groups, the members of those groups in either folder and half their summed size.
// Built whole by buildHeapWithFolder; used on the queue that changes the model.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "results/HeapsFolderData.h"

class FolderSystemItem;

class DuplicatesHeap {
public:
    // Nothing for the same folder twice, a folder inside a package, folders that are (inside)
    // copies of each other, or fewer than two shared groups.
    static std::shared_ptr<DuplicatesHeap> buildHeapWithFolder(const std::shared_ptr<HeapsFolderData>& folder,
                                                               const std::shared_ptr<HeapsFolderData>& otherFolder);
    DuplicatesHeap(std::shared_ptr<HeapsFolderData> mainFolderData, std::shared_ptr<HeapsFolderData> secondFolderData);
    DuplicatesHeap(const DuplicatesHeap&) = delete;
    DuplicatesHeap& operator=(const DuplicatesHeap&) = delete;

    void buildGroupsIntersection();
    // The shared groups, by address.
    const HeapsGroupList& getGroups() const { return m_arrGroups; }
    std::uint64_t getHeapSize() const { return 2 * m_nHeapHalfSize; }
    std::uint64_t getHeapHalfSize() const { return m_nHeapHalfSize; }
    std::uint64_t getCountOfItems() const { return m_nCountOfItems; }
    std::uint64_t getCountOfGroups() const { return m_arrGroups.size(); }
    // The same pair of folders, in either order.
    bool sameAs(const DuplicatesHeap& other) const;
    FolderSystemItem* getMainFolderItem() const;
    FolderSystemItem* getSecondFolderItem() const;
    const std::shared_ptr<HeapsFolderData>& getMainHeapsFolderData() const { return m_pMainFolderData; }
    const std::shared_ptr<HeapsFolderData>& getSecondHeapsFolderData() const { return m_pSecondFolderData; }
    // The heap of the same pair the other way round, in the current container's heaps.
    std::shared_ptr<DuplicatesHeap> revertedHeap() const;

    void calculateForSecondFolderCountOfItems(std::uint64_t* count, std::uint64_t* countOfSelected,
                                              std::uint64_t* countOfSimilarSelected, std::uint64_t* totalSize) const;
    // Whether the folder's members in the shared groups hold the last unselected copy of a group /
    // hold unselected members only where one copy is left to select. NO without folder data.
    bool isHasLastItemsInHeapsFolderData(const std::shared_ptr<HeapsFolderData>& folderData) const;
    bool isOnlyLastItemsNotSelectedInHeapsFolderData(const std::shared_ptr<HeapsFolderData>& folderData) const;
    bool isHasLastItemsInMainFolder() const { return isHasLastItemsInHeapsFolderData(m_pMainFolderData); }
    bool isHasLastItemsInSecondFolder() const { return isHasLastItemsInHeapsFolderData(m_pSecondFolderData); }
    bool isOnlyLastItemsNotSelectedInMainFolder() const {
        return isOnlyLastItemsNotSelectedInHeapsFolderData(m_pMainFolderData);
    }
    bool isOnlyLastItemsNotSelectedInSecondFolder() const {
        return isOnlyLastItemsNotSelectedInHeapsFolderData(m_pSecondFolderData);
    }

private:
    std::shared_ptr<HeapsFolderData> m_pMainFolderData;
    std::shared_ptr<HeapsFolderData> m_pSecondFolderData;
    // A heap keeps its groups in a sorted vector and only the count of its members: a scan of /usr
    // keeps some 20 000 heaps, and hash sets of both took 9 MB, more than all the groups.
    HeapsGroupList m_arrGroups;
    std::uint64_t m_nCountOfItems = 0;
    std::uint64_t m_nHeapHalfSize = 0;
};
