// One row of the Folders view: a group of identical folders, or a heap (two folders whose files
// share duplicates). A value over shared results objects; main thread only, like the results.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DuplicatesGroup;
class DuplicatesHeap;

struct FolderEntry {
    std::shared_ptr<DuplicatesGroup> group;
    std::shared_ptr<DuplicatesHeap> heap;

    // The group's name, or "main ↔ second" by folder names.
    std::string title() const;
    // Folders of the group, or duplicate groups the two folders of the heap share.
    std::int64_t count() const;
    // All copies of the group, or the duplicates of both heap folders.
    std::uint64_t size() const;
    // What removing all but one copy frees, or one side of the heap.
    std::uint64_t sizeToFree() const;
    // The group's folders in path order, or the heap's main folder then its second one.
    std::vector<std::string> folderPaths() const;
};
