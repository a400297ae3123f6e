// A scanned folder: owns its children (in insertion order), keeps totals computed after the walk.
// Children are added only by the worker that enumerates this folder; afterwards one queue at a time.
// Removed children are kept alive by the root until the tree goes, since results may still point at them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "scan/FileSystemItem.h"

class FSFolder;

class FolderSystemItem : public FileSystemItem {
public:
    static FolderSystemItem* createFolder(std::string_view name, FolderSystemItem* parent, std::int64_t allocatedSize,
                                          bool package, std::uint8_t timeCode, bool hidden, std::int64_t logicalSize,
                                          bool addToParent = true);
    ~FolderSystemItem() override;

    bool isDir() const override { return true; }
    bool isPackage() override { return m_bIsPackage; }
    // Whether a folder above this one is a package; fixed when the folder is made, as its parent is.
    bool isBelowPackage() const { return m_bIsBelowPackage; }

    std::int64_t calctotalsize() override;
    std::int64_t gettotalsize() const override { return m_nTotalSize; }

    void addChild(FileSystemItem* child);  // takes ownership
    void removeChild(FileSystemItem* child);
    bool removeChildAndRecalc(FileSystemItem* child);
    void decreaseTotalSize(std::int64_t size);
    void increaseTotalSize(std::int64_t size);
    bool containsObject(const FileSystemItem* child) const;
    const std::vector<std::unique_ptr<FileSystemItem>>& childrenArray() const { return m_arrChildren; }
    std::size_t numberOfChildren() const { return m_arrChildren.size(); }
    // Once the folder is read: the list of children keeps no room to grow.
    void shrinkChildrenToFit() { m_arrChildren.shrink_to_fit(); }
    FileSystemItem* childAtIndex(std::size_t index) const { return m_arrChildren[index].get(); }
    FileSystemItem* childWithName(std::string_view name) const;
    std::vector<FileSystemItem*> childrenDeepArray() const;
    std::vector<FolderSystemItem*> subFoldersDeepArray() const;
    std::vector<FileSystemItem*> duplicatesDeepArray() const;
    std::uint64_t recalculateCountOfDeepChildren();
    std::uint64_t getCountOfDeepChildren() const { return m_nCountOfDeepChildren; }
    std::uint64_t getCountOfDeepFilesWithHidden(bool withHidden) const;

    FSFolder* fsFolder() const { return m_pFsFolder; }
    void setFsFolder(FSFolder* folder) { m_pFsFolder = folder; }
    FSFolder* findFSFolder() const;

    void updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem) override;
    void updateDuplicateItemSelection() override;

protected:
    template <class T, class... Args>
    friend T* FileSystemItem::allocateWithName(std::string_view, std::size_t, Args&&...);
    FolderSystemItem(const char* name, std::size_t nameLength, FolderSystemItem* parent, std::int64_t allocatedSize,
                     bool package, std::uint8_t timeCode, bool hidden, std::int64_t logicalSize);

    std::unique_ptr<FileSystemItem> detachChild(FileSystemItem* child);

    std::vector<std::unique_ptr<FileSystemItem>> m_arrChildren;
    std::int64_t m_nTotalSize;  // allocated bytes of everything below, once calctotalsize() has run
    std::uint64_t m_nCountOfDeepChildren = 0;
    FSFolder* m_pFsFolder = nullptr;  // weak
    // Worked out from the name and the parent when the folder is made, and only read afterwards, so
    // that any thread may ask while the walk still adds folders.
    bool m_bIsPackage = false;
    bool m_bIsBelowPackage = false;
};
