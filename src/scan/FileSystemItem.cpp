#include "scan/FileSystemItem.h"

#include <cassert>

#include "platform/FileSystem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

// The walk builds one item per file of the tree: the hard-link flag has to fit the padding.
static_assert(sizeof(void*) != 8 || sizeof(FileSystemItem) <= 48, "a file item grew");

FileSystemItem::FileSystemItem(const char* name, std::size_t nameLength, FolderSystemItem* parent,
                               std::int64_t allocatedSize, std::uint8_t timeCode, bool hidden,
                               std::int64_t logicalSize)
    : m_pParent(parent),
      m_nSelfSize(allocatedSize),
      m_nSelfLogicalSize(logicalSize),
      m_nNameLength(static_cast<std::uint16_t>(nameLength)),
      m_nTimeCode(static_cast<std::uint8_t>(hidden ? (timeCode | kHiddenTimeCodeBit) : (timeCode & ~kHiddenTimeCodeBit))),
      m_nNameOffset(static_cast<std::uint8_t>(name - reinterpret_cast<const char*>(this))) {
    assert(namePointer() == name);
}

FileSystemItem* FileSystemItem::createFile(std::string_view name, FolderSystemItem* parent, std::int64_t allocatedSize,
                                           std::uint8_t timeCode, bool hidden, std::int64_t logicalSize,
                                           bool addToParent) {
    auto* item = allocateWithName<FileSystemItem>(name, parent, allocatedSize, timeCode, hidden, logicalSize);
    if (addToParent && parent) parent->addChild(item);
    return item;
}

std::string_view FileSystemItem::name() const {
    std::string_view own = relativePath();
    if (m_pParent) return own;
    // A root's relative path is the full path of its top folder.
    if (own.size() > 1 && own.back() == '/') own.remove_suffix(1);
    auto slash = own.rfind('/');
    if (slash == std::string_view::npos || own.size() == 1) return own;
    return own.substr(slash + 1);
}

std::string FileSystemItem::path() const {
    std::size_t length = 0;
    for (const FileSystemItem* i = this; i; i = i->m_pParent) length += i->m_nNameLength + 1;
    std::string result(length, '/');
    std::size_t end = length;
    for (const FileSystemItem* i = this; i; i = i->m_pParent) {
        end -= i->m_nNameLength;
        std::copy(i->namePointer(), i->namePointer() + i->m_nNameLength, result.begin() + static_cast<std::ptrdiff_t>(end));
        if (i->m_pParent) --end;  // the separator in front of this component stays '/'
    }
    // The root's component starts at `end`; a root of "/" would otherwise give "//name".
    result.erase(0, end);
    if (result.size() > 1 && result.compare(0, 2, "//") == 0) result.erase(0, 1);
    return result;
}

VolumeSystemItem* FileSystemItem::topParent() const {
    const FileSystemItem* i = this;
    while (i->m_pParent) i = i->m_pParent;
    return i->isVol() ? static_cast<VolumeSystemItem*>(const_cast<FileSystemItem*>(i)) : nullptr;
}

int FileSystemItem::getLevel() const {
    int level = 0;
    for (const FileSystemItem* i = m_pParent; i; i = i->m_pParent) ++level;
    return level;
}

bool FileSystemItem::isTopHiddenFlag() const {
    for (const FileSystemItem* i = this; i; i = i->m_pParent)
        if (i->isHiddenFlag()) return true;
    return false;
}

bool FileSystemItem::isInPackage() const {
    for (FolderSystemItem* i = m_pParent; i; i = i->m_pParent)
        if (i->isPackage()) return true;
    return false;
}

std::int64_t FileSystemItem::calctotalsize() { return m_nSelfSize < 0 ? 0 : m_nSelfSize; }

bool FileSystemItem::getFileItemLastModificationDate(std::int64_t& secondsSinceEpoch) const {
    FileAttributes attributes;
    if (!FileSystem::standard().attributes(path(), attributes)) {
        secondsSinceEpoch = 0;
        return false;
    }
    secondsSinceEpoch = attributes.modificationSeconds;
    return true;
}

bool FileSystemItem::canBeDeleted() const {
    FileAttributes attributes;
    if (!FileSystem::standard().attributes(path(), attributes)) return true;
    return !(attributes.immutable || attributes.appendOnly);
}
