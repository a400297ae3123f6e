// One folder to enumerate: its full path and the tree node to fill. Filled by exactly one worker.
#pragma once

#include <string>

#include "scan/FolderSystemItem.h"
#include "scan/ObjectTask.h"

class FolderScanTask : public ObjectTask {
public:
    FolderScanTask(std::string path, FolderSystemItem* folderItem) : path(std::move(path)), item(folderItem) {}

    std::string path;
    FolderSystemItem* item;  // owned by the tree, which outlives the walk
    // This folder's share of its top folder's walk, for the progress display: the top folder has 1, and a
    // folder's share is split evenly among its subfolders.
    double share = 1.0;
};
