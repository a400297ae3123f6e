// Receives the files a worker found, in batches, on that worker's queue.
#pragma once

#include <vector>

class FileSystemItem;
class FolderScanWorkerFilesCollector;

class FolderScanWorkerFilesCollectorDelegate {
public:
    virtual ~FolderScanWorkerFilesCollectorDelegate() = default;
    virtual void onFilesCollectorCreated(FolderScanWorkerFilesCollector* collector) = 0;
    virtual void onFilesCollectorCollectFiles(FolderScanWorkerFilesCollector* collector,
                                              std::vector<FileSystemItem*> files) = 0;
};
