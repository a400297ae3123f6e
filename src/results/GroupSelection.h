// The selected copies of one group, with the count and disk size of those outside duplicate folders
// (each name counted: the group corrects the size when names of one file are among its members).
// Owned by its group; every change is announced to the group (will change / did change). Used on
// the queue that changes the group.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;

class GroupSelection {
public:
    explicit GroupSelection(DuplicatesGroup* group) : m_pGroup(group) {}
    GroupSelection(const GroupSelection&) = delete;
    GroupSelection& operator=(const GroupSelection&) = delete;

    void addItem(const std::shared_ptr<DuplicateItem>& item);
    void removeItem(DuplicateItem* item);
    bool containsItem(const DuplicateItem* item) const;
    // In the order of selection.
    const std::vector<std::shared_ptr<DuplicateItem>>& getItems() const { return m_arrSelectedItems; }
    // Every selected copy, also those selected with their duplicate folder.
    std::int64_t getDirtyItemsCount() const { return static_cast<std::int64_t>(m_arrSelectedItems.size()); }
    // The selected copies outside duplicate folders.
    std::int64_t getActualItemsCount() const { return m_nCountWithoutAssociatedDuplicateFolder; }
    std::uint64_t getTotalSize() const { return m_nTotalSize; }

    // Recounts the copies outside duplicate folders (their folders may have changed).
    void updateInfo();
    // The group is gone: forget every copy without announcing anything.
    void clearForTeardown();

private:
    DuplicatesGroup* m_pGroup;  // weak: the group owns this selection
    std::vector<std::shared_ptr<DuplicateItem>> m_arrSelectedItems;
    std::uint64_t m_nTotalSize = 0;
    std::int64_t m_nCountWithoutAssociatedDuplicateFolder = 0;
};
