// One folder of the folder browser: its sub-folders that are not packages, the duplicates it holds
// for selection, and its own and whole counts, kept up to date as the selection changes. Built on a
// background thread by FSFolderManager, then used on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "detection/FSComplexFolderData.h"
#include "detection/FSFolderDescription.h"
#include "detection/FSFolderListener.h"
#include "detection/InternalDuplicatesByGroupSeparator.h"
#include "platform/ListenersContainer.h"
#include "results/DuplicateItemSelectionListener.h"

class FolderSystemItem;

class FSFolder : public DuplicateItemSelectionListener, public std::enable_shared_from_this<FSFolder> {
public:
    // Without a folder node it is the browser's invisible root. The node must outlive the folder.
    static std::shared_ptr<FSFolder> create(FolderSystemItem* folder, FSFolder* parent = nullptr);
    ~FSFolder() override;
    FSFolder(const FSFolder&) = delete;
    FSFolder& operator=(const FSFolder&) = delete;

    // Builds the sub-folders and subscriptions below, the duplicates for selection and the counts.
    void doWork();
    void fillData();
    void calculateInternalDuplicatesWithExternalPart(InternalDuplicatesByGroupSeparator* parentCollection);
    void addSubFolder(const std::shared_ptr<FSFolder>& folder);
    FSFolderDescription buildDescription() const;
    // The first folder, breadth first from this one, with more duplicates than any met before it.
    FSFolder* findSubFolderWithMaxCountOfDuplicates();
    bool isItemChanged() const { return isChanged || isChildChanged; }
    void updateInfo();
    void updateCurrentInfo();

    FolderSystemItem* folder() const { return folderItem; }
    FolderSystemItem* folderSystemItem() const { return folderItem; }
    FSFolder* parentFolder() const { return parentFolderItem; }
    const std::vector<std::shared_ptr<FSFolder>>& getSubFolders() const { return subFolders; }
    std::string name() const;
    std::string displayName() const { return name(); }
    bool isDuplicateFolder() const;
    std::size_t countOfSubFolders() const { return subFolders.size(); }
    bool isLeaf() const { return subFolders.empty(); }
    bool isCanChangeDuplicatesSelection() const { return info.countOfDuplicates > 0 && !isInDuplicateFolder; }
    // 0 nothing selected, -1 partly, 1 every duplicate selected.
    int duplicatesSelectionState() const;
    const FSComplexFolderData& getInfo() const { return info; }
    const FSSimpleFolderData& getCurrentInfo() const { return currentInfo; }
    const std::vector<std::shared_ptr<DuplicateItem>>& getInternalDuplicatesForSelection() const {
        return internalDuplicatesForSelection;
    }
    std::int64_t getCountOfUniqueItems() const { return countOfUniqueItems; }
    void addListener(const std::shared_ptr<FSFolderListener>& listener) { listeners.add(listener); }

    // DuplicateItemSelectionListener (main thread): the counts of this folder and those above change.
    void onItemSelectionChanged(const std::shared_ptr<DuplicateItem>& item) override;

    bool isFavorite = false;

private:
    FSFolder(FolderSystemItem* folder, FSFolder* parent);

    FolderSystemItem* folderItem;      // weak: owned by the scanned tree
    FSFolder* parentFolderItem;        // weak: the parent owns this folder
    std::vector<std::shared_ptr<FSFolder>> subFolders;
    ListenersContainer<FSFolderListener> listeners;
    bool isChanged = false;
    bool isChildChanged = false;
    bool isInDuplicateFolder = false;
    FSComplexFolderData info{this};
    FSSimpleFolderData currentInfo;
    std::vector<std::shared_ptr<DuplicateItem>> internalDuplicatesForSelection;
    std::int64_t countOfInternalDuplicatesWithExternalPart = 0;
    std::int64_t countOfUniqueItems = 0;
};
