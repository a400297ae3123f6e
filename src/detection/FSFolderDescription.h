// The summary of one folder's duplicates: each group's copies inside and outside it, the folder's
// other files, and how many groups were looked at. Built on the model's thread.
#pragma once

#include <cstdint>
#include <vector>

#include "detection/FSFolderDuplicates.h"

class FileSystemItem;
class FolderSystemItem;

class FSFolderDescription {
public:
    explicit FSFolderDescription(FolderSystemItem* folder);

    std::vector<FSFolderDuplicates> duplicates;
    std::vector<FileSystemItem*> otherFiles;  // weak: owned by the tree
    std::int64_t countOfFullGroups = 0;
};
