#include "scan/VolumeSystemItem.h"

VolumeSystemItem::VolumeSystemItem(const char* name, std::size_t nameLength, std::int64_t volumeSize,
                                   std::int64_t volumeFreeSize)
    : FolderSystemItem(name, nameLength, nullptr, 0, false, 0, false, 0),
      nVolSize(volumeSize),
      nVolFreeSize(volumeFreeSize) {
    m_bIsPackage = false;  // a root is never a package, whatever its path ends with
}

std::unique_ptr<VolumeSystemItem> VolumeSystemItem::createRoot(std::string_view path, std::int64_t volumeSize,
                                                               std::int64_t volumeFreeSize) {
    return std::unique_ptr<VolumeSystemItem>(allocateWithName<VolumeSystemItem>(path, 0, volumeSize, volumeFreeSize));
}

void VolumeSystemItem::keepRemovedItem(std::unique_ptr<FileSystemItem> item) {
    // The item keeps its parent link: results that still hold it can rebuild its former path.
    m_arrRemovedItems.push_back(std::move(item));
}
