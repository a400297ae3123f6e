// Hears from a scan driver on the main thread: once every file has been compared, then the finished
// results, once each.
#pragma once

#include <memory>

class DuplicatesContainer;

class FoldersScannerListener {
public:
    virtual ~FoldersScannerListener() = default;
    // The files have been compared and the folder phases start, on the tree the container holds. Only the
    // heap search may still read files (small ones) until the results arrive. Not heard when the scan
    // stops first or runs without the folder phases.
    virtual void onFilesCompared(const std::shared_ptr<DuplicatesContainer>& container) = 0;
    virtual void onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> container) = 0;
};
