// The groups of one file kind (or the hidden / small-duplicates category, type -1) with running totals
// that never go below 0; a new group absorbs every group that shares a node with it. Owns its groups;
// used on the queue that changes the model (a detection queue during a scan, the main thread after).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "results/DuplicatesGroup.h"
#include "results/DuplicatesGroupListener.h"
#include "results/IndexedList.h"
#include "results/ProgressBarData.h"

class DuplicatesCategoryListener;
class DuplicatesContainer;
class FileSystemItem;

class DuplicatesCategory : public DuplicatesGroupListener {
public:
    // `listener` (the container, or none) must outlive the category.
    DuplicatesCategory(int type, DuplicatesCategoryListener* listener);
    ~DuplicatesCategory() override;  // detaches its groups without touching tree nodes
    DuplicatesCategory(const DuplicatesCategory&) = delete;
    DuplicatesCategory& operator=(const DuplicatesCategory&) = delete;

    int getType() const { return m_eType; }
    // The listener's container; none without listener (so none for the hidden category).
    DuplicatesContainer* getContainer() const;
    // The container that created this category, whatever its listener; set by the container.
    DuplicatesContainer* getOwnerContainer() const { return m_pOwnerContainer; }
    void setOwnerContainer(DuplicatesContainer* container) { m_pOwnerContainer = container; }
    // In order of creation.
    std::vector<std::shared_ptr<DuplicatesGroup>> getGroups() const { return m_arrGroups.snapshot(); }
    std::size_t getGroupsCount() const { return m_arrGroups.size(); }
    bool containsGroup(const DuplicatesGroup* group) const { return m_arrGroups.contains(group); }

    // For 2 or more nodes that are not all names of one file: the new group (which may have moved on
    // to the hidden category while joining); null otherwise.
    std::shared_ptr<DuplicatesGroup> addGroupWithItems(const std::vector<FileSystemItem*>& items);
    // The given nodes plus every node of the groups they already belong to; those groups are removed.
    std::vector<FileSystemItem*> prepareItemsForGroupCreation(const std::vector<FileSystemItem*>& items);

    void removeGroup(DuplicatesGroup* group) { removeGroupWithNotification(group, false); }
    // With the notification, the container-data-changed notification is posted as well.
    void removeGroupWithNotification(DuplicatesGroup* group, bool withNotification);
    // Removes every group with fewer than 2 files (members, names of one file counted once); answers
    // how many.
    std::int64_t removeEmptyGroups();
    void removeAllGroups();

    // Totals.
    std::int64_t getTotalSize() const { return m_nTotalSize; }
    std::int64_t getTotalCount() const { return m_nTotalCount; }
    std::int64_t getTotalSelectedSize() const { return m_nSelectedSize; }
    std::int64_t getCountOfActualSelectedItems() const { return m_nActualSelectedCount; }
    std::int64_t getSelectedCountWithDuplicatesFolderContent() const { return m_nSelectedCountWithDuplicatesFolderContent; }
    std::int64_t getSizeThatCanBeRemoved() const { return m_nSizeThatCanBeRemoved; }
    void updateCategoryInfo();
    const ProgressBarData& progressBarDataInfo() const { return m_progressData; }

    // DuplicatesGroupListener: a group is counted out before its change and in after it.
    void onGroupWillChange(DuplicatesGroup& group) override;
    void onGroupDidChanged(DuplicatesGroup& group) override;
    void validateData();

    // The container is going away: every group drops its members without announcements.
    void detachAllGroupsForTeardown();

private:
    void applyGroup(const DuplicatesGroup& group, std::int64_t sign);

    int m_eType;
    IndexedList<DuplicatesGroup, &DuplicatesGroup::m_nCategoryIndex> m_arrGroups;
    DuplicatesCategoryListener* m_pListener;         // weak: the container for kind categories
    DuplicatesContainer* m_pOwnerContainer = nullptr;  // weak: the container owns this category
    std::int64_t m_nTotalSize = 0;
    std::int64_t m_nSelectedSize = 0;
    std::int64_t m_nSizeThatCanBeRemoved = 0;
    std::int64_t m_nTotalCount = 0;
    std::int64_t m_nActualSelectedCount = 0;
    std::int64_t m_nSelectedCountWithDuplicatesFolderContent = 0;
    ProgressBarData m_progressData;
};
