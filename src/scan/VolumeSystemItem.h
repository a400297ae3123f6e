// The root of one walked top folder: its name is the top folder's full path, and it knows the
// size and free space of the file system that holds it. Owns the whole tree and every item removed
// from it. Same threading as the tree.
#pragma once

#include "scan/FolderSystemItem.h"

class VolumeSystemItem : public FolderSystemItem {
public:
    static std::unique_ptr<VolumeSystemItem> createRoot(std::string_view path, std::int64_t volumeSize,
                                                        std::int64_t volumeFreeSize);

    bool isVol() const override { return true; }
    std::int64_t getWholeItemSize() const override { return nVolSize; }
    std::int64_t getVolSize() const { return nVolSize; }
    std::int64_t getVolFreeSize() const { return nVolFreeSize; }
    std::int64_t getOccSize() const { return nVolSize - nVolFreeSize; }

    void keepRemovedItem(std::unique_ptr<FileSystemItem> item);

protected:
    template <class T, class... Args>
    friend T* FileSystemItem::allocateWithName(std::string_view, std::size_t, Args&&...);
    VolumeSystemItem(const char* name, std::size_t nameLength, std::int64_t volumeSize, std::int64_t volumeFreeSize);

    std::int64_t nVolSize;
    std::int64_t nVolFreeSize;
    bool bUseFreeSector = false;
    std::vector<std::unique_ptr<FileSystemItem>> m_arrRemovedItems;
};
