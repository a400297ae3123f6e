#include "scan/FolderSystemItem.h"

#include <algorithm>

#include "scan/VolumeSystemItem.h"

FolderSystemItem::FolderSystemItem(const char* name, std::size_t nameLength, FolderSystemItem* parent,
                                   std::int64_t allocatedSize, bool package, std::uint8_t timeCode, bool hidden,
                                   std::int64_t logicalSize)
    // A folder's bytes are its own field; "none" keeps the file rule from ever reading past its name.
    : FileSystemItem(name, nameLength, parent, kAllocationNoneBit, timeCode, hidden, logicalSize),
      m_nTotalSize(allocatedSize),
      // Linux has no bundle flag: a package is a folder named like an application or a framework.
      m_bIsPackage(package || (nameLength > 4 && std::string_view(name, nameLength).ends_with(".app")) ||
                   (nameLength > 10 && std::string_view(name, nameLength).ends_with(".framework"))),
      m_bIsBelowPackage(parent && (parent->m_bIsPackage || parent->m_bIsBelowPackage)) {}

FolderSystemItem::~FolderSystemItem() = default;

FolderSystemItem* FolderSystemItem::createFolder(std::string_view name, FolderSystemItem* parent,
                                                 std::int64_t allocatedSize, bool package, std::uint8_t timeCode,
                                                 bool hidden, std::int64_t logicalSize, bool addToParent) {
    auto* folder =
        allocateWithName<FolderSystemItem>(name, 0, parent, allocatedSize, package, timeCode, hidden, logicalSize);
    if (addToParent && parent) parent->addChild(folder);
    return folder;
}

std::int64_t FolderSystemItem::calctotalsize() {
    m_nTotalSize = 0;
    m_nSelfLogicalSize = 0;
    for (auto& child : m_arrChildren) {
        m_nTotalSize += child->calctotalsize();
        m_nSelfLogicalSize += child->logicalSize();
    }
    return m_nTotalSize;
}

void FolderSystemItem::addChild(FileSystemItem* child) {
    if (m_arrChildren.capacity() == 0) m_arrChildren.reserve(1);
    m_arrChildren.emplace_back(child);
}

std::unique_ptr<FileSystemItem> FolderSystemItem::detachChild(FileSystemItem* child) {
    auto it = std::find_if(m_arrChildren.begin(), m_arrChildren.end(),
                           [&](const auto& c) { return c.get() == child; });
    if (it == m_arrChildren.end()) return nullptr;
    std::unique_ptr<FileSystemItem> owned = std::move(*it);
    m_arrChildren.erase(it);
    return owned;
}

void FolderSystemItem::removeChild(FileSystemItem* child) {
    auto owned = detachChild(child);
    if (!owned) return;
    if (VolumeSystemItem* root = topParent()) root->keepRemovedItem(std::move(owned));
    // Without a root (a detached test tree) the child is destroyed with `owned`.
}

bool FolderSystemItem::removeChildAndRecalc(FileSystemItem* child) {
    if (!containsObject(child)) return false;
    decreaseTotalSize(child->gettotalsize());
    removeChild(child);
    return true;
}

void FolderSystemItem::decreaseTotalSize(std::int64_t size) {
    for (FolderSystemItem* f = this; f; f = f->m_pParent) f->m_nTotalSize -= size;
}

void FolderSystemItem::increaseTotalSize(std::int64_t size) {
    for (FolderSystemItem* f = this; f; f = f->m_pParent) f->m_nTotalSize += size;
}

bool FolderSystemItem::containsObject(const FileSystemItem* child) const {
    return std::any_of(m_arrChildren.begin(), m_arrChildren.end(), [&](const auto& c) { return c.get() == child; });
}

FileSystemItem* FolderSystemItem::childWithName(std::string_view childName) const {
    for (const auto& c : m_arrChildren)
        if (c->name() == childName) return c.get();
    return nullptr;
}

std::vector<FileSystemItem*> FolderSystemItem::childrenDeepArray() const {
    std::vector<FileSystemItem*> out;
    for (const auto& c : m_arrChildren) out.push_back(c.get());
    for (const auto& c : m_arrChildren)
        if (c->isDir()) {
            auto sub = static_cast<FolderSystemItem*>(c.get())->childrenDeepArray();
            out.insert(out.end(), sub.begin(), sub.end());
        }
    return out;
}

std::vector<FolderSystemItem*> FolderSystemItem::subFoldersDeepArray() const {
    std::vector<FolderSystemItem*> out;
    for (const auto& c : m_arrChildren)
        if (c->isDir()) {
            auto* folder = static_cast<FolderSystemItem*>(c.get());
            out.push_back(folder);
            auto sub = folder->subFoldersDeepArray();
            out.insert(out.end(), sub.begin(), sub.end());
        }
    return out;
}

std::vector<FileSystemItem*> FolderSystemItem::duplicatesDeepArray() const {
    std::vector<FileSystemItem*> out;
    std::function<void(const FolderSystemItem*)> visit = [&](const FolderSystemItem* folder) {
        for (const auto& c : folder->m_arrChildren) {
            if (c->getDuplicateItem()) out.push_back(c.get());
            if (c->isDir()) visit(static_cast<const FolderSystemItem*>(c.get()));
        }
    };
    visit(this);
    return out;
}

std::uint64_t FolderSystemItem::recalculateCountOfDeepChildren() {
    std::uint64_t count = 0;
    for (auto& c : m_arrChildren) {
        count += 1;
        if (c->isDir()) count += static_cast<FolderSystemItem*>(c.get())->recalculateCountOfDeepChildren();
    }
    m_nCountOfDeepChildren = count;
    return count;
}

std::uint64_t FolderSystemItem::getCountOfDeepFilesWithHidden(bool withHidden) const {
    std::uint64_t count = 0;
    for (const auto& c : m_arrChildren) {
        if (!withHidden && c->isTopHiddenFlag()) continue;
        if (c->isDir())
            count += static_cast<FolderSystemItem*>(c.get())->getCountOfDeepFilesWithHidden(withHidden);
        else
            ++count;
    }
    return count;
}

FSFolder* FolderSystemItem::findFSFolder() const {
    for (const FolderSystemItem* f = this; f; f = f->parent())
        if (f->m_pFsFolder) return f->m_pFsFolder;
    return nullptr;
}
