// Gathers the files one worker found and passes them on in batches of 300 (or fewer when forced).
// Used on its worker's queue, and forced once by the scanner after every worker has returned.
#pragma once

#include <memory>
#include <vector>

#include "scan/FolderScanWorkerFilesCollectorDelegate.h"

class FolderScanWorkerFilesCollector {
public:
    explicit FolderScanWorkerFilesCollector(std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> delegate);
    FolderScanWorkerFilesCollector(const FolderScanWorkerFilesCollector&) = delete;
    FolderScanWorkerFilesCollector& operator=(const FolderScanWorkerFilesCollector&) = delete;

    void addItem(FileSystemItem* item);
    void updateForced(bool force);

private:
    std::int64_t _minCountForUpdate = 300;
    std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> _delegate;
    std::vector<FileSystemItem*> _content;
};
