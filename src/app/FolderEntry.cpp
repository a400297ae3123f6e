#include "app/FolderEntry.h"

#include <algorithm>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "scan/FolderSystemItem.h"

namespace {
std::string nameOf(const FolderSystemItem* folder) { return folder ? std::string(folder->name()) : std::string("?"); }
}  // namespace

std::string FolderEntry::title() const {
    if (group) return group->getGroupName();
    if (heap) return nameOf(heap->getMainFolderItem()) + " \u2194 " + nameOf(heap->getSecondFolderItem());
    return {};
}

std::int64_t FolderEntry::count() const {
    if (group) return group->getTotalCount();
    if (heap) return static_cast<std::int64_t>(heap->getCountOfGroups());
    return 0;
}

std::uint64_t FolderEntry::size() const {
    if (group) return group->getTotalSize();
    if (heap) return heap->getHeapSize();
    return 0;
}

std::uint64_t FolderEntry::sizeToFree() const {
    if (group) return group->getSizeThatCanBeRemoved();
    if (heap) return heap->getHeapHalfSize();
    return 0;
}

std::vector<std::string> FolderEntry::folderPaths() const {
    std::vector<std::string> paths;
    if (group) {
        for (const auto& member : group->getItems()) paths.push_back(member->getFileItemPath());
        std::sort(paths.begin(), paths.end());
    } else if (heap) {
        for (FolderSystemItem* folder : {heap->getMainFolderItem(), heap->getSecondFolderItem()})
            if (folder) paths.push_back(folder->path());
    }
    return paths;
}
