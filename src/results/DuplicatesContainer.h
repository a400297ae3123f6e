// Everything one scan found: kind, hidden and small-duplicates categories, all file groups, the heaps
// and the roots that own the scanned tree. Held through std::shared_ptr; filled on the detection queues
// one at a time, then used on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "results/DuplicatesCategoryListener.h"
#include "results/DuplicatesGroup.h"
#include "results/IndexedList.h"
#include "results/SeenFiles.h"

class DuplicateItem;
class DuplicatesCategory;
class DuplicatesHeaps;
class ExcludeChecker;
class FileSystemItem;
class FolderSystemItem;
class HeapsValidateProgressListener;
class VolumeSystemItem;

// Nodes keep raw links to their members: give the roots to the container (saveRoots) so that they go
// after the groups, or do not use those links once the container is gone.
class DuplicatesContainer : public DuplicatesCategoryListener, public std::enable_shared_from_this<DuplicatesContainer> {
public:
    DuplicatesContainer(bool withHeaps, std::shared_ptr<ExcludeChecker> excludeChecker);
    ~DuplicatesContainer() override;
    DuplicatesContainer(const DuplicatesContainer&) = delete;
    DuplicatesContainer& operator=(const DuplicatesContainer&) = delete;

    // The container of the results the user sees: a group leaving the hidden category of a category
    // without owner falls back to it. The results manager sets it; held weakly; any thread.
    static void setCurrentContainer(const std::shared_ptr<DuplicatesContainer>& container);
    static std::shared_ptr<DuplicatesContainer> currentContainer();

    // Roots. saveRoots takes the roots of the scan (later calls add theirs); removed nodes stay
    // alive inside their roots, so members may keep pointing at them for the container's life.
    void saveRoots(std::vector<std::unique_ptr<VolumeSystemItem>> roots);
    void updateRoots();
    std::vector<VolumeSystemItem*> buildRootFolders() const;

    // Nodes by path: every root at or below the path, or the one node reached inside a root.
    std::vector<FileSystemItem*> findSystemItemWithPath(const std::string& path) const;
    FileSystemItem* findExistedSystemItemWithPath(const std::string& path) const;

    DuplicatesCategory* getHiddenCategoryOfDuplicates() const { return m_pHiddenCategoryOfDuplicates; }
    DuplicatesCategory* getSmallDuplicatesCategory() const { return m_pSmallDuplicatesCategory.get(); }
    const std::shared_ptr<ExcludeChecker>& getExcludeChecker() const { return m_pExcludeChecker; }
    DuplicatesHeaps* getHeaps() const { return m_pHeaps.get(); }
    // For a caller done with the heaps for good (the command line, once its report holds them): the
    // container goes on as one made without heaps.
    void letHeapsGo();
    // Filled only for a scan asked to keep them (FoldersScanner::keepSeenFiles).
    SeenFiles& seenFiles() { return m_seenFiles; }
    // Every group currently in a kind category, in order of arrival. Valid until the model changes:
    // copy it before changing groups while iterating.
    const std::vector<std::shared_ptr<DuplicatesGroup>>& getAllFilesGroups() { return m_arrAllFilesGroups.items(); }
    DuplicatesContainer* getContainer() override { return this; }
    // The kind category of types 0 to 6; null for anything else.
    DuplicatesCategory* getCategoryWithType(int type) const;
    // The 7 kind categories and then the hidden one.
    std::vector<DuplicatesCategory*> getCategories() const;

    // A group for 2 or more nodes, in the kind category of the first node.
    std::shared_ptr<DuplicatesGroup> addGroupWithItems(const std::vector<FileSystemItem*>& items);
    std::int64_t getAllFilesSize() const;

    // Remove list: the selected members of every category, without those inside a duplicate folder.
    std::vector<std::shared_ptr<DuplicateItem>> buildRemoveList() const { return buildRemoveListWithFolders(true); }
    std::vector<std::shared_ptr<DuplicateItem>> buildRemoveListAsArray() const { return buildRemoveListWithFolders(true); }
    std::vector<std::shared_ptr<DuplicateItem>> buildRemoveListForRemoveDialog() const {
        return buildRemoveListWithFolders(true);
    }
    std::vector<std::shared_ptr<DuplicateItem>> buildRemoveListWithFolders(bool withFolders) const;
    std::int64_t getItemsCountInRemoveList() const;
    std::int64_t getRemoveListTotalSize() const;
    void restoreRemoveListTo(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    bool isCurrentRemoveListEqualToList(const std::vector<std::shared_ptr<DuplicateItem>>& items) const;

    void deselectItemsInFolders(const std::vector<FolderSystemItem*>& folders);
    void deselectAllItems();

    // Each member leaves its group (with the members inside it) and its node leaves its parent.
    void removeDuplicateItemsFromLogicalStructure(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    void removeDuplicateItemsFromLogicalStructureWithRecalculateParent(const std::vector<FileSystemItem*>& items,
                                                                       bool recalculateParent);
    // The clean-up after a removal; posts the container-data-changed notification on the main queue.
    void validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener* listener);
    // Makes the two folders one group (joining the group one of them already has); answers it.
    std::shared_ptr<DuplicatesGroup> markAsDuplicatesFolder(FolderSystemItem* folder, FolderSystemItem* otherFolder);

    // DuplicatesCategoryListener for the kind categories.
    void onGroupAdded(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;
    void onGroupWillRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;
    void onGroupDidRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) override;

    std::int64_t removeEmptyGroupsFromCategoryWithType(int type);
    std::int64_t removeEmptyGroupsFromCategory(DuplicatesCategory* category);
    void removeDuplicatesGroupsThatFullyInDuplicatesFoldersOrReturnItBack();
    void restoreDuplicatesGroupsThatNotFullyInDuplicatesFolders(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    void removeDuplicatesGroupsThatFullyInDuplicatesFolders(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);

private:
    // Declared first so that they go last: groups and members never outlive the nodes they use.
    std::vector<std::unique_ptr<VolumeSystemItem>> m_arrRoots;
    std::vector<std::unique_ptr<DuplicatesCategory>> m_arrCategories;  // kinds 0-6, then the hidden one
    DuplicatesCategory* m_pHiddenCategoryOfDuplicates = nullptr;        // the last of m_arrCategories
    std::unique_ptr<DuplicatesCategory> m_pSmallDuplicatesCategory;
    IndexedList<DuplicatesGroup, &DuplicatesGroup::m_nAllFilesIndex> m_arrAllFilesGroups;
    std::unique_ptr<DuplicatesHeaps> m_pHeaps;
    std::shared_ptr<ExcludeChecker> m_pExcludeChecker;
    SeenFiles m_seenFiles;
};
