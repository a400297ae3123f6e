// Walks one top folder with a pool of four workers into a tree under a VolumeSystemItem root.
// Create and cancel on the main thread. Found files reach the listener in batches on the workers'
// queues; the finished (or cancelled, partial) root is reported once, on the main thread.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "scan/FolderScanWorker2.h"
#include "scan/FolderScanWorkerFilesCollectorDelegate.h"
#include "scan/FolderScannerListener.h"
#include "scan/ObjectWorkersController.h"
#include "scan/VolumeSystemItem.h"

class FolderScanner : public FolderScanWorkerFilesCollectorDelegate,
                      public std::enable_shared_from_this<FolderScanner> {
public:
    static constexpr int kCountOfWorkers = 4;

    // `digestHints`, when given, tells the walk the digest hint of each file it meets.
    static std::shared_ptr<FolderScanner> create(const std::string& path, std::weak_ptr<FolderScannerListener> listener,
                                                 bool useOld = false,
                                                 std::shared_ptr<const FolderScanDigestHints> digestHints = nullptr);
    ~FolderScanner() override;

    void cancel();
    // Hands the root over to the caller; nothing before the root was reported.
    std::unique_ptr<VolumeSystemItem> takeRoot();
    std::uint64_t countOfInvalidNames() const { return m_pCounters->invalidNames.load(std::memory_order_relaxed); }
    std::uint64_t countOfFoldersFound() const { return m_pCounters->foldersFound.load(std::memory_order_relaxed); }
    std::uint64_t countOfFoldersDone() const { return m_pCounters->foldersDone.load(std::memory_order_relaxed); }
    double walkedShare() const { return m_pCounters->shareDone.load(std::memory_order_relaxed); }

    void onFilesCollectorCreated(FolderScanWorkerFilesCollector* collector) override;
    void onFilesCollectorCollectFiles(FolderScanWorkerFilesCollector* collector,
                                      std::vector<FileSystemItem*> files) override;

private:
    FolderScanner() = default;
    void start(const std::string& path, bool useOld);
    void onObjectWorkersControllerFinishTasks(ObjectWorkersController* controller);

    std::atomic<bool> _isCompleted{false};  // set on the pool's queue, read on the main thread
    std::weak_ptr<FolderScannerListener> _listener;
    std::mutex m_controllerMutex;  // orders the pool's completion after _workersController is set
    std::shared_ptr<ObjectWorkersController> _workersController;  // set once, under m_controllerMutex
    std::mutex m_collectorsMutex;
    std::set<FolderScanWorkerFilesCollector*> _filesCollectors;  // guarded by m_collectorsMutex
    std::unique_ptr<VolumeSystemItem> m_pRoot;  // the walk fills it; handed over by takeRoot()
    // Where a scanner destroyed before its walk ended leaves the tree: the pool's completion (or the
    // pool's own end) frees it once no worker can touch it.
    struct Orphanage {
        std::mutex mutex;
        bool isWalkOver = false;  // guarded by mutex
        std::unique_ptr<VolumeSystemItem> root;  // guarded by mutex
    };
    std::shared_ptr<Orphanage> m_pOrphanage = std::make_shared<Orphanage>();
    std::shared_ptr<FolderScanCounters> m_pCounters = std::make_shared<FolderScanCounters>();
    std::shared_ptr<const FolderScanDigestHints> m_pDigestHints;  // set in create(), before the walk starts
};
