#include "scan/FileSystemItem.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "platform/FileSystem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

// The walk builds one item per file of the tree: each byte of an item counts once per file scanned.
static_assert(sizeof(void*) != 8 || sizeof(FileSystemItem) <= 40, "a file item grew");

FileSystemItem::FileSystemItem(const char* name, std::size_t nameLength, FolderSystemItem* parent,
                               std::uint8_t allocationBits, std::uint8_t timeCode, bool hidden,
                               std::int64_t logicalSize)
    : m_pParent(parent),
      m_nSelfLogicalSize(logicalSize),
      m_nNameLength(static_cast<std::uint16_t>(nameLength)),
      m_nTimeCode(static_cast<std::uint8_t>((timeCode & ~(kHiddenTimeCodeBit | kAllocationRoundedBit | kAllocationNoneBit)) |
                                            (hidden ? kHiddenTimeCodeBit : 0) | allocationBits)),
      m_nNameOffset(static_cast<std::uint8_t>(name - reinterpret_cast<const char*>(this))) {
    assert(namePointer() == name);
}

FileSystemItem* FileSystemItem::createFile(std::string_view name, FolderSystemItem* parent, std::int64_t allocatedSize,
                                           std::uint8_t timeCode, bool hidden, std::int64_t logicalSize,
                                           bool addToParent) {
    std::uint8_t bits = 0;
    if (allocatedSize == 0)
        bits = kAllocationNoneBit;
    else if (logicalSize > 0 && logicalSize <= INT64_MAX - kAllocationBlock &&
             allocatedSize == (logicalSize + kAllocationBlock - 1) / kAllocationBlock * kAllocationBlock)
        bits = kAllocationRoundedBit;
    const std::size_t trailing = bits ? 0 : sizeof(std::int64_t);
    auto* item = allocateWithName<FileSystemItem>(name, trailing, parent, bits, timeCode, hidden, logicalSize);
    if (trailing)
        std::memcpy(reinterpret_cast<char*>(item) + trailingOffset(item->m_nNameOffset, item->m_nNameLength),
                    &allocatedSize, sizeof allocatedSize);
    if (addToParent && parent) parent->addChild(item);
    return item;
}

std::int64_t FileSystemItem::fileAllocatedSize() const {
    if (m_nTimeCode & kAllocationNoneBit) return 0;
    if (m_nTimeCode & kAllocationRoundedBit)
        return (m_nSelfLogicalSize + kAllocationBlock - 1) / kAllocationBlock * kAllocationBlock;
    std::int64_t allocated;
    std::memcpy(&allocated, reinterpret_cast<const char*>(this) + trailingOffset(m_nNameOffset, m_nNameLength),
                sizeof allocated);
    return allocated;
}

std::int64_t FileSystemItem::gettotalsize() const { return fileAllocatedSize(); }

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
    return m_pParent && (m_pParent->isPackage() || m_pParent->isBelowPackage());
}

std::int64_t FileSystemItem::calctotalsize() { return std::max<std::int64_t>(0, fileAllocatedSize()); }

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
