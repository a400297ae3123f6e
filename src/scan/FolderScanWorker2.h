// The worker core that enumerates folders: reads each folder in bulk, adds a node per kept entry and
// walks the subfolders itself, depth first on its own stack, handing the older half of that stack to
// the pool whenever another worker is idle. Runs on its worker's queue only.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/DirectoryReader.h"
#include "scan/FolderScanDigestHints.h"
#include "scan/FolderScanTask.h"
#include "scan/FolderScanWorkerFilesCollector.h"
#include "scan/ObjectWorkerCore.h"

struct FolderScanCounters {
    // Written by every worker of a walk and read by the scan screen's timer.
    std::atomic<std::uint64_t> invalidNames{0};  // names that are not valid UTF-8 (kept as bytes)
    std::atomic<std::uint64_t> foldersFound{0};   // the top folder and every subfolder met so far
    std::atomic<std::uint64_t> foldersDone{0};    // folders read to the end (or found unreadable)
    // The part of the walk done, 0 to 1: the shares of the folders without subfolders read so far (a
    // folder's share is split among its subfolders, so the estimate only grows and ends at 1).
    std::atomic<double> shareDone{0};
};

class FolderScanWorker2 : public ObjectWorkerCore {
public:
    FolderScanWorker2(std::unique_ptr<FolderScanWorkerFilesCollector> filesCollector,
                      std::shared_ptr<FolderScanCounters> counters,
                      std::shared_ptr<const FolderScanDigestHints> digestHints = nullptr);

    void processTask(ObjectTask& task, const SubtaskCreator& subtaskCreator, const Completion& completion) override;
    void scan(FolderScanTask& task);

    static bool isValidUtf8(std::string_view text);

private:
    void processDirEntry(const DirectoryEntry& entry, FolderScanTask& task);
    void shareWithIdleWorker();

    DirectoryReader m_reader;
    std::vector<DirectoryEntry> m_entries;
    // The files of the batch waiting for their digest hints, and their items (same places).
    std::vector<const DirectoryEntry*> m_hintedFiles;
    std::vector<FileSystemItem*> m_hintedItems;
    std::vector<std::unique_ptr<FolderScanTask>> _stackCollection;
    // The subfolders of the folder being read, handed on once it is read whole and their shares known.
    std::vector<std::unique_ptr<FolderScanTask>> m_subfolders;
    const SubtaskCreator* _taskCreator = nullptr;
    std::unique_ptr<FolderScanWorkerFilesCollector> _filesCollector;
    std::shared_ptr<FolderScanCounters> m_pCounters;
    std::shared_ptr<const FolderScanDigestHints> m_pDigestHints;  // none: the files get no hints
};
