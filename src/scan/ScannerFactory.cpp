#include "scan/ScannerFactory.h"

ScannerFactory::ScannerFactory(std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> delegate, bool useOld,
                               std::shared_ptr<FolderScanCounters> counters,
                               std::shared_ptr<const FolderScanDigestHints> digestHints)
    : _useOld(useOld),
      _filesCollectorDelegate(std::move(delegate)),
      m_pCounters(std::move(counters)),
      m_pDigestHints(std::move(digestHints)) {}

std::unique_ptr<ObjectWorkerCore> ScannerFactory::createWorker() {
    // There is one enumerator on Linux; _useOld has nothing else to choose.
    (void)_useOld;
    return std::make_unique<FolderScanWorker2>(std::make_unique<FolderScanWorkerFilesCollector>(_filesCollectorDelegate),
                                               m_pCounters, m_pDigestHints);
}
