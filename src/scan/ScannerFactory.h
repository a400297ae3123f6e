// Makes folder-enumerating worker cores, each with its own files collector reporting to the delegate.
// Called on the pool's queue.
#pragma once

#include <memory>

#include "scan/FolderScanWorker2.h"
#include "scan/ObjectTaskFactory.h"

class ScannerFactory : public ObjectTaskFactory {
public:
    ScannerFactory(std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> delegate, bool useOld,
                   std::shared_ptr<FolderScanCounters> counters,
                   std::shared_ptr<const FolderScanDigestHints> digestHints = nullptr);
    std::unique_ptr<ObjectWorkerCore> createWorker() override;

private:
    bool _useOld;
    std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> _filesCollectorDelegate;
    std::shared_ptr<FolderScanCounters> m_pCounters;
    std::shared_ptr<const FolderScanDigestHints> m_pDigestHints;
};
