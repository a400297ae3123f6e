#include "scan/FolderScanner.h"

#include "platform/Dispatch.h"
#include "platform/Volumes.h"
#include "scan/ScannerFactory.h"

std::shared_ptr<FolderScanner> FolderScanner::create(const std::string& path,
                                                     std::weak_ptr<FolderScannerListener> listener, bool useOld,
                                                     std::shared_ptr<const FolderScanDigestHints> digestHints) {
    std::shared_ptr<FolderScanner> scanner(new FolderScanner());
    scanner->_listener = std::move(listener);
    scanner->m_pDigestHints = std::move(digestHints);
    scanner->start(path, useOld);
    return scanner;
}

FolderScanner::~FolderScanner() {
    if (!_workersController) return;
    _workersController->cancel();
    // Workers may still be inside the tree: it goes to the pool's completion, which runs after the
    // last of them has returned. When the walk is already over, it is freed here as usual.
    std::lock_guard lock(m_pOrphanage->mutex);
    if (!m_pOrphanage->isWalkOver) m_pOrphanage->root = std::move(m_pRoot);
}

void FolderScanner::start(const std::string& path, bool useOld) {
    std::weak_ptr<FolderScanner> weak = weak_from_this();
    if (path.empty()) {
        // No task: the pool is not even made, and the empty completion is ignored.
        return;
    }
    std::int64_t total = 0, free = 0;
    Volumes::standard().sizes(path, total, free);
    m_pRoot = VolumeSystemItem::createRoot(path, total, free);
    std::vector<std::unique_ptr<ObjectTask>> tasks;
    tasks.push_back(std::make_unique<FolderScanTask>(path, m_pRoot.get()));
    auto factory = std::make_shared<ScannerFactory>(weak, useOld, m_pCounters, m_pDigestHints);
    // The pool starts at once and may finish before create() returns: its completion waits on this
    // lock until _workersController names it.
    std::lock_guard lock(m_controllerMutex);
    _workersController = ObjectWorkersController::create(
        "FolderScanner", factory, kCountOfWorkers, std::move(tasks),
        [weak, orphanage = m_pOrphanage](ObjectWorkersController* controller) {
            std::unique_ptr<VolumeSystemItem> orphan;
            {
                std::lock_guard lock(orphanage->mutex);
                orphanage->isWalkOver = true;
                orphan = std::move(orphanage->root);
            }
            if (auto self = weak.lock()) self->onObjectWorkersControllerFinishTasks(controller);
        });
}

void FolderScanner::cancel() {
    if (_workersController) _workersController->cancel();
}

std::unique_ptr<VolumeSystemItem> FolderScanner::takeRoot() {
    if (!_isCompleted.load()) return nullptr;
    return std::move(m_pRoot);
}

void FolderScanner::onFilesCollectorCreated(FolderScanWorkerFilesCollector* collector) {
    std::lock_guard lock(m_collectorsMutex);
    _filesCollectors.insert(collector);
}

void FolderScanner::onFilesCollectorCollectFiles(FolderScanWorkerFilesCollector*, std::vector<FileSystemItem*> files) {
    if (auto listener = _listener.lock()) listener->onScannerFoundFiles(this, std::move(files));
}

void FolderScanner::onObjectWorkersControllerFinishTasks(ObjectWorkersController* controller) {
    {
        std::lock_guard lock(m_controllerMutex);
        if (controller != _workersController.get() || _isCompleted.load()) return;
    }
    // Every worker has returned (the pool waits for them even when cancelled), so the collectors
    // and the tree are no longer touched by anyone else.
    {
        std::lock_guard lock(m_collectorsMutex);
        for (auto* c : _filesCollectors) c->updateForced(true);
    }
    if (m_pRoot) m_pRoot->calctotalsize();
    _isCompleted.store(true);
    std::weak_ptr<FolderScanner> weak = weak_from_this();
    dispatch::main().async([weak] {
        auto self = weak.lock();
        if (!self) return;
        if (auto listener = self->_listener.lock()) listener->onScannerCompletedScanItem(self.get(), self->m_pRoot.get());
    });
}
