// One side of a merged folder pair: merge items for the folder's direct children (the scanned ones,
// plus entries on disk the scan did not hold, which are never merged), keyed by name, split into the
// items that have a duplicate among the other folder's direct children and the unique ones.
// Built and used on the main thread (the thread that owns the results).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "operations/MergeItem.h"
#include "operations/MergeOptions.h"

class FolderSystemItem;

class MergeFolder {
public:
    MergeFolder(FolderSystemItem* folder, const FolderSystemItem* otherFolder, MergeFolderRole role);

    FolderSystemItem* getFolderSystemItem() const { return m_pFolder; }
    const std::string& path() const { return m_sPath; }
    std::string name() const;
    MergeFolderRole role() const { return m_eRole; }
    void setRole(MergeFolderRole role) { m_eRole = role; }

    const std::vector<std::unique_ptr<MergeItem>>& items() const { return m_items; }
    const std::map<std::string, MergeItem*>& itemsByName() const { return m_itemsByName; }
    const std::vector<MergeItem*>& uniqueItems() const { return m_uniqueItems; }
    const std::vector<MergeItem*>& duplicates() const { return m_duplicates; }
    // Entries found on disk that the scan did not hold (links, special files, unreadable names).
    const std::vector<MergeItem*>& leftOutItems() const { return m_leftOut; }
    // Every name in the folder now, scanned or not.
    const std::set<std::string>& namesOnDisk() const { return m_namesOnDisk; }

private:
    FolderSystemItem* m_pFolder;
    std::string m_sPath;
    MergeFolderRole m_eRole;
    std::vector<std::unique_ptr<MergeItem>> m_items;
    std::map<std::string, MergeItem*> m_itemsByName;
    std::vector<MergeItem*> m_uniqueItems;
    std::vector<MergeItem*> m_duplicates;
    std::vector<MergeItem*> m_leftOut;
    std::set<std::string> m_namesOnDisk;
};
