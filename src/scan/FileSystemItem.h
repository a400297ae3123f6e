// A scanned file: its own name (never its path), weak parent, sizes and flags. Folders and roots
// derive from it. Items are built by the walk's workers (each folder's children by one worker only)
// and afterwards used by one queue at a time; the tree has no locks. Items are created with
// FileSystemItem::create… so that the name lives in the same allocation as the item, in the arena.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "scan/ItemArena.h"

class FolderSystemItem;
class VolumeSystemItem;
class DuplicateItem;

class FileSystemItem {
public:
    static constexpr std::uint8_t kHiddenTimeCodeBit = 32;
    // A file's allocated bytes are not kept when they follow from its logical size: its size rounded up
    // to 4 KiB blocks (nearly every file of an ext4 or XFS tree), or none (data kept in the inode).
    // Any other figure (sparse, compressed, preallocated files) is kept in 8 bytes after the name.
    static constexpr std::uint8_t kAllocationRoundedBit = 64;
    static constexpr std::uint8_t kAllocationNoneBit = 128;
    static constexpr std::int64_t kAllocationBlock = 4096;

    virtual ~FileSystemItem() = default;
    FileSystemItem(const FileSystemItem&) = delete;
    FileSystemItem& operator=(const FileSystemItem&) = delete;
    static void operator delete(void* p) noexcept { item_arena::release(p); }

    // The file is added to the parent's children unless addToParent is false (the caller adds it).
    static FileSystemItem* createFile(std::string_view name, FolderSystemItem* parent, std::int64_t allocatedSize,
                                      std::uint8_t timeCode, bool hidden, std::int64_t logicalSize,
                                      bool addToParent = true);

    // Identity and navigation.
    std::string_view relativePath() const { return {namePointer(), m_nNameLength}; }
    std::string_view name() const;
    std::string path() const;
    std::string fullPath() const { return path(); }
    std::string displayName() const { return std::string(name()); }
    FolderSystemItem* parent() const { return m_pParent; }
    VolumeSystemItem* topParent() const;
    int getLevel() const;
    virtual bool isDir() const { return false; }
    virtual bool isVol() const { return false; }
    bool isHidden() const { return false; }
    bool isHiddenFlag() const { return m_nTimeCode & kHiddenTimeCodeBit; }
    bool isTopHiddenFlag() const;
    virtual bool isPackage() { return false; }
    bool isInPackage() const;

    // Sizes: logical bytes (content) and allocated bytes (blocks × 512, the space on disk).
    std::int64_t logicalSize() const { return m_nSelfLogicalSize; }
    virtual std::int64_t gettotalsize() const;
    virtual std::int64_t getWholeItemSize() const { return gettotalsize(); }
    virtual std::int64_t calctotalsize();
    std::int64_t calctotalsizeex() { return calctotalsize(); }

    // Read from the disk now.
    bool getFileItemLastModificationDate(std::int64_t& secondsSinceEpoch) const;
    bool canBeDeleted() const;

    // Whether the walk saw more than one name (hard link) for this file; only such files are asked
    // for their device and inode later, when they turn out to be duplicates.
    bool hasOtherNames() const { return m_bHasOtherNames; }
    void setHasOtherNames(bool hasOtherNames) { m_bHasOtherNames = hasOtherNames; }

    // Whether this scan read the file's content (a digest came back): it could be opened and read then.
    // Atomic (relaxed): the command line's report of what was left out reads it while the heap search
    // may still read small files.
    bool wasContentRead() const { return m_bWasContentRead.load(std::memory_order_relaxed); }
    void setWasContentRead(bool read) { m_bWasContentRead.store(read, std::memory_order_relaxed); }

    // Whether the comparison tried to read the file and could not (it could not be opened as a regular
    // file, or a read failed): it took no part, and the command line's report names it. Atomic likewise.
    bool didContentReadFail() const { return m_bContentReadFailed.load(std::memory_order_relaxed); }
    void setContentReadFailed(bool failed) { m_bContentReadFailed.store(failed, std::memory_order_relaxed); }

    bool isCheckedForDuplicates() const { return m_bIsCheckedForDuplicates; }
    void setIsCheckedForDuplicates(bool checked) { m_bIsCheckedForDuplicates = checked; }

    // Links to the results model (weak): see FileSystemItemLinks.cpp.
    void setDuplicateItem(DuplicateItem* item);
    DuplicateItem* getDuplicateItem() const {
        return (m_nLinkOrHint & kHintTag) ? nullptr : reinterpret_cast<DuplicateItem*>(m_nLinkOrHint);
    }
    void clearDuplicateItemLink() { m_nLinkOrHint = 0; }

    // Where the digest cache keeps this file's digest under the stamp the walk saw (a number only the
    // cache reads), so that the comparison need not examine the file again. Set by the walk's worker
    // that made the item; it shares the room of the results link, and linking the item forgets it.
    void setDigestHint(std::uint64_t hint) {
        if (hint <= kLargestDigestHint && !getDuplicateItem()) m_nLinkOrHint = (hint << 1) | kHintTag;
    }
    std::optional<std::uint64_t> digestHint() const {
        if (!(m_nLinkOrHint & kHintTag)) return std::nullopt;
        return m_nLinkOrHint >> 1;
    }
    static constexpr std::uint64_t kLargestDigestHint = ~std::uint64_t{0} >> 1;
    virtual void updateAssociatedDuplicateFolderTo(DuplicateItem* folderItem);
    virtual void updateDuplicateItemSelection();
    DuplicateItem* findParentDuplicateFolder() const;

protected:
    // allocationBits: kAllocationRoundedBit, kAllocationNoneBit or neither (a file whose allocated bytes
    // follow its name; a folder).
    FileSystemItem(const char* name, std::size_t nameLength, FolderSystemItem* parent, std::uint8_t allocationBits,
                   std::uint8_t timeCode, bool hidden, std::int64_t logicalSize);

    // Allocates T with room for the name right behind it, and `trailing` bytes after that (8-aligned);
    // the name is copied there.
    template <class T, class... Args>
    static T* allocateWithName(std::string_view name, std::size_t trailing, Args&&... args);

    FolderSystemItem* m_pParent;          // weak: the parent owns this item
    // A DuplicateItem* (weak: cleared by the DuplicateItem when it lets go), or a digest hint shifted left
    // with kHintTag set: an item's address is even, so the two never look alike.
    std::uintptr_t m_nLinkOrHint = 0;
    static constexpr std::uintptr_t kHintTag = 1;
    static_assert(sizeof(std::uintptr_t) == sizeof(std::uint64_t), "a hint takes all of the link's room");
    std::int64_t m_nSelfLogicalSize;      // logical bytes (mnselfLogicalSize)
    std::uint16_t m_nNameLength;
    std::uint8_t m_nTimeCode;             // bit 5 is the hidden flag, bits 6 and 7 the allocation's; set once
    bool m_bIsCheckedForDuplicates = false;
    bool m_bHasOtherNames = false;        // bytes, not bits: a bit set on one thread would race with
    std::atomic<bool> m_bWasContentRead = false;  // its neighbour set on another
    std::atomic<bool> m_bContentReadFailed = false;
    static_assert(sizeof(std::atomic<bool>) == 1 && std::atomic<bool>::is_always_lock_free);
    // The name follows the item in its allocation (allocateWithName), this many bytes from its start:
    // the size of the item's class. Kept instead of a pointer.
    std::uint8_t m_nNameOffset;

    const char* namePointer() const { return reinterpret_cast<const char*>(this) + m_nNameOffset; }
    // Where a file's allocated bytes are kept when its bits say neither rounded nor none.
    static std::size_t trailingOffset(std::size_t nameOffset, std::size_t nameLength) {
        return (nameOffset + nameLength + 1 + 7) & ~std::size_t{7};
    }
    std::int64_t fileAllocatedSize() const;

    friend class FolderSystemItem;
};

template <class T, class... Args>
T* FileSystemItem::allocateWithName(std::string_view name, std::size_t trailing, Args&&... args) {
    static_assert(sizeof(T) <= 255, "the name's offset is kept in one byte");
    const std::size_t bytes = trailing ? trailingOffset(sizeof(T), name.size()) + trailing : sizeof(T) + name.size() + 1;
    void* memory = item_arena::allocate(bytes);
    char* text = static_cast<char*>(memory) + sizeof(T);
    name.copy(text, name.size());
    text[name.size()] = '\0';
    return new (memory) T(text, name.size(), std::forward<Args>(args)...);
}
