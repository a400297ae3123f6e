// What a folder scanner reports: batches of files while it walks (on a worker's queue) and its
// finished root (on the main thread). The listener takes the root with FolderScanner::takeRoot().
#pragma once

#include <vector>

class FileSystemItem;
class FolderScanner;
class VolumeSystemItem;

class FolderScannerListener {
public:
    virtual ~FolderScannerListener() = default;
    virtual void onScannerFoundFiles(FolderScanner* scanner, std::vector<FileSystemItem*> files) = 0;
    virtual void onScannerCompletedScanItem(FolderScanner* scanner, VolumeSystemItem* root) = 0;
};
