// Receives the finished results of a scan, once, on the main thread.
#pragma once

#include <memory>

class DuplicatesContainer;

class FoldersScannerListener {
public:
    virtual ~FoldersScannerListener() = default;
    virtual void onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> container) = 0;
};
