// One member of a duplicate group: a scanned node, its cached path, its selection flag and the outermost
// duplicate folder around it; the node's raw back link is cleared when the member leaves its group.
// Used on the queue that changes the model; selection listeners hear changes later on the main thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ListenersContainer.h"
#include "results/FileIdentity.h"
#include "results/DuplicateItemListener.h"
#include "results/DuplicateItemSelectionListener.h"

class DuplicatesGroup;
class FileSystemItem;

class DuplicateItem : public DuplicateItemListener, public std::enable_shared_from_this<DuplicateItem> {
public:
    DuplicateItem() = default;
    ~DuplicateItem() override;  // never touches the node: it may already be gone
    DuplicateItem(const DuplicateItem&) = delete;
    DuplicateItem& operator=(const DuplicateItem&) = delete;

    // Joins only when the group already counts this member as its own (isHasItem) and the node has
    // no other member: links node and member both ways, caches path, package flag and parent path and
    // finds the associated duplicate folder. Afterwards the node points at this member on success.
    void initWithFileItem(FileSystemItem* item, DuplicatesGroup* group);

    // The node stays valid for the life of the container that owns its root, also after the member
    // left its group; null once the container is gone.
    FileSystemItem* getFileSystemItem() const { return m_pItem; }
    DuplicatesGroup* getGroup() const { return m_pGroup; }
    std::string getName() const;
    std::string getDisplayName() const;
    // Logical bytes (the content) and allocated bytes (what removing the last name frees on disk).
    std::int64_t getFileItemSize() const;
    std::int64_t getDiskSize() const;
    // Device and inode, read on joining for a file the walk saw with other names; null otherwise.
    const FileIdentity* getFileIdentity() const { return m_identity.get(); }
    // Whether both members are names of one file (hard links): then they are one copy, not two.
    bool isSameFileAs(const DuplicateItem& other) const {
        return m_identity && other.m_identity && *m_identity == *other.m_identity;
    }
    // Empty once the member left its group.
    const std::string& getFileItemPath() const { return m_sItemPath; }
    std::string getParentFolderItemPath() const { return std::string(parentFolderItemPathView()); }
    // The same, in this member's own path: valid while the member lives and keeps its path.
    std::string_view parentFolderItemPathView() const {
        return std::string_view(m_sItemPath).substr(0, std::min<std::size_t>(m_nParentPathLength, m_sItemPath.size()));
    }
    // Seconds since 1970, read once; 0 when unreadable.
    std::int64_t getLastModificationDate();
    int getLevel();
    bool isSelected() const { return m_bIsSelected; }
    bool isDirectory() const;
    bool isPackage() const { return m_bIsPackage; }

    // The category type of the group, -1 without group or category.
    int getType() const;
    // 6 for a folder that is not a package, else the kind of the node's name.
    int getTypeUsingFileSystemItem() const;

    bool isMovedByUserOrDeleted() const;
    bool calculateIsDiskContentChanged() const;

    bool selectItemForced(bool forced);
    void deselectItem();

    void updateAssociatedDuplicateFolder() { updateAssociatedDuplicateFolderTo(nullptr); }
    void updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem);
    DuplicateItem* getAssociatedDuplicateFolder() const { return m_pAssociatedDuplicateFolder; }

    void addSelectionListener(const std::shared_ptr<DuplicateItemSelectionListener>& listener);
    void removeSelectionListener(const DuplicateItemSelectionListener* listener);

    // DuplicateItemListener, about this member only.
    void onItemSelectionChanged(DuplicateItem& item) override;
    void onItemWillRemovedFromGroup(DuplicateItem& item, DuplicatesGroup& group) override;

    // The container is going away: forget node, group and association without touching any of them.
    void detachForTeardown();

private:
    static constexpr std::int64_t kDateNotRead = INT64_MIN;

    FileSystemItem* m_pItem = nullptr;                       // weak: owned by its root
    DuplicateItem* m_pAssociatedDuplicateFolder = nullptr;  // weak: cleared when that folder's member leaves
    DuplicatesGroup* m_pGroup = nullptr;                     // weak: cleared when this member leaves
    std::string m_sItemPath;
    std::unique_ptr<const FileIdentity> m_identity;  // few members have one: a pointer, not an optional
    std::int64_t m_lastModificationDate = kDateNotRead;  // seconds since 1970 once read
    std::uint32_t m_nParentPathLength = 0;  // the parent folder path is this prefix of m_sItemPath
    std::int32_t m_nLevel = 0;              // 0 means not yet counted
    bool m_bIsInited = false;
    bool m_bIsSelected = false;
    bool m_bIsPackage = false;
    // Created by the first listener: most members never have one.
    std::unique_ptr<ListenersContainer<DuplicateItemSelectionListener>> m_pListeners;
};
