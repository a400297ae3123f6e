// Runs one search: walks the chosen top folders one after the other, feeds found files to the
// candidate filter while walking, confirms duplicates by content, finds duplicate folders and heaps,
// and hands the results container to its listener. Create, start, stop and query on the main thread;
// the counters are display values written from the phases' callbacks and read by a timer.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "detection/DuplicatesFilterProgressListener.h"
#include "detection/DuplicatesFolderFilterListener.h"
#include "detection/HeapsItemsFilterDelegate.h"
#include "platform/MonotonicClock.h"
#include "platform/SerialQueue.h"
#include "scan/FolderScanner.h"
#include "scan/FolderScannerListener.h"
#include "scan/FoldersScannerListener.h"
#include "scan/FoldersScannerState.h"
#include "results/HeapsValidateProgressListener.h"

class DigestCache;
class DuplicatesFilter;
class DuplicatesFolderFilter;
class ExcludeChecker;
class HeapsItemsFilter;
class WalkDigestHints;

class FoldersScanner : public FolderScannerListener,
                       public DuplicatesFilterProgressListener,
                       public DuplicatesFolderFilterListener,
                       public HeapsValidateProgressListener,
                       public HeapsItemsFilterDelegate,
                       public std::enable_shared_from_this<FoldersScanner> {
public:
    static constexpr std::uint64_t kAutomaticMinimalSize = ~std::uint64_t{0};
    static constexpr double kAutomaticStopSeconds = 30.0;
    static constexpr std::uint64_t kAutomaticStopMaxFileSize = 999999;

    static std::shared_ptr<FoldersScanner> create(const std::vector<std::string>& folders,
                                                  std::weak_ptr<FoldersScannerListener> listener);
    ~FoldersScanner() override;

    void includeHiddenFiles(bool include) { m_bIncludeHiddenFiles = include; }
    void enableSearchDuplicatesFoldersAndSimilars(bool enable) { m_bSearchDuplicatesFoldersAndSimilars = enable; }
    // Folders left out of this scan only, besides the stored exclusions; set before the scan starts.
    void excludeFoldersForThisScan(std::vector<std::string> folders) { m_arrRunExcludedFolders = std::move(folders); }
    // Whether this scan uses and updates the user's digest cache (on unless told otherwise); set before
    // the scan starts. The cache is written once, when the scan ends, before the listener hears.
    void useDigestCache(bool use) { m_bUseDigestCache = use; }
    // Whether the results keep what the walk saw of group members whose digests came from the cache
    // (DuplicatesContainer::seenFiles), for a report that states them; set before the scan starts.
    void keepSeenFiles(bool keep) { m_bKeepSeenFiles = keep; }
    // What went wrong with the digest cache during this scan (one line each), read once the scan ended.
    const std::vector<std::string>& digestCacheWarnings() const { return m_arrDigestCacheWarnings; }
    void startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(bool fullHash);
    void startScanAndUseMinimalFileSize(std::uint64_t size, bool fullHash);
    void stopWithIgnoreResult(bool ignore);

    // Reduces chosen folders to top folders, per volume: nested and repeated ones are dropped,
    // trailing slashes stripped ("/" stays "/"); folders whose volume is unknown are dropped.
    static std::vector<std::string> chooseTopFolders(const std::vector<std::string>& paths);
    static bool isContainsBackups(const std::vector<std::string>& topFolders);

    // Queries for the scan screen.
    FoldersScannerState getCurrentState() const { return m_eCurrentState.load(std::memory_order_relaxed); }
    const std::vector<std::string>& getUserSelectedFolderArray() const { return userSelectedPaths; }
    const std::vector<std::string>& getFoldersForScan() const { return m_arrFoldersForScan; }
    std::uint64_t getCountOfScannedFiles() const { return m_nCountOfScannedFiles.load(std::memory_order_relaxed); }
    std::uint64_t getCountOfCheckedFolders() const;
    std::uint64_t getCountOfPossibleDuplicates() const {
        return m_nCountOfPossibleDuplicates.load(std::memory_order_relaxed);
    }
    std::uint64_t getPossibleDuplicatesSizeOfType(std::int32_t type) const;
    std::uint64_t getCountOfActualDuplicates() const;
    std::uint64_t getActualDuplicatesSizeOfType(std::int32_t type) const;
    std::uint64_t getActualHeapsSize() const { return m_nActualHeapsSize.load(std::memory_order_relaxed); }
    std::uint64_t getPossibleHeapsSize() const;
    bool isFinishSearchDuplicatesOfType(std::int32_t type) const;
    double getSearchDuplicatesDuration() const;
    double getTimeFromStart() const;
    float getDuplicatesFilesFilterProgress() const;
    float getDuplicatesFoldersFilterProgress() const;
    float getHeapsFilterProgress() const { return m_nHeapsFilterProgress.load(std::memory_order_relaxed); }
    // 0.35 × files + 0.6 × folders + 0.05 × heaps, as the scan screen shows it.
    float getOverallProgress() const;
    bool isMinimalDuplicatesSizeWasDefinedAutomatically() const {
        return m_nDuplicatesMinimalFileSize == kAutomaticMinimalSize;
    }
    std::uint64_t finalMinimalDuplicatesSize() const;
    bool isBackupsWereSkipped() const { return m_bIsBackupsWereSkipped; }
    bool isFullHashCalculation() const { return m_bFullHash; }
    std::uint64_t getCountOfInvalidNames() const { return m_nCountOfInvalidNames.load(std::memory_order_relaxed); }
    // The walk's progress: folders read to the end and folders met so far, over every top folder.
    std::uint64_t getCountOfWalkedFolders() const;
    std::uint64_t getCountOfFoundFolders() const;
    // The walk's share done over every top folder, 0 to 1 (each top folder an equal part; within one, a
    // folder's part is split evenly among its subfolders). Only grows.
    double getWalkProgress() const;
    // The content comparison's progress in bytes: the candidates' total size, and the part of it whose
    // size bucket is done. Both 0 before the comparison starts.
    std::uint64_t getBytesToCompare() const;
    std::uint64_t getBytesCompared() const;
    // True only when the automatic minimal size's 30-second stop ended the comparison early.
    bool wasAutomaticStopApplied() const { return m_bAutomaticStopApplied.load(std::memory_order_relaxed); }

    // FolderScannerListener
    void onScannerFoundFiles(FolderScanner* scanner, std::vector<FileSystemItem*> files) override;
    void onScannerCompletedScanItem(FolderScanner* scanner, VolumeSystemItem* root) override;
    // DuplicatesFilterProgressListener
    void onDuplicatesFilesFilterStartFilterFiles(std::int64_t countOfFiles) override;
    void onDuplicatesFilesFilterProgressChanged(DuplicatesFilterProgress progress) override;
    void onChangedSizeOfPossibleHeaps(std::uint64_t heapsSize, std::uint64_t possibleDuplicateFoldersSize) override;
    void onFilteredFilesCount(std::int32_t count, std::uint64_t eachSize, std::int32_t type) override;
    void onFinishSearchDuplicatesFilesWithType(std::int32_t type) override;
    void onFinishFilterWithResultContainer(std::shared_ptr<DuplicatesContainer> container) override;
    // DuplicatesFolderFilterListener
    void onFoundDuplicatesFoldersWithTotalSize(std::uint64_t totalSize, float progress,
                                               std::uint64_t countOfCheckedFolders) override;
    void onUpdateSizesUsingContainer(const std::shared_ptr<DuplicatesContainer>& container) override;
    void onDuplicatedFolderFilteringCompleteWithContainer(std::shared_ptr<DuplicatesContainer> container) override;
    // HeapsItemsFilterDelegate (called on the heap search's queue)
    bool isHeapsItemsFilterCanceled() override;
    std::shared_ptr<HeapsValidateProgressListener> getHeapsValidateProgressListener() override;
    void onHeapsItemsFilterStartSeparateItems() override;
    void onHeapsItemsFilterFinishedWork() override;
    void onHeapsItemsFilterFoundDuplicatesCount(std::int64_t count) override;
    // HeapsValidateProgressListener (called on the heap search's queue)
    bool isHeapsValidationCanceled() override;
    void onHeapsCheckedFolders(std::uint64_t count) override;
    void onHeapsSizeChanged(std::uint64_t size, float progress) override;

    const std::shared_ptr<HeapsItemsFilter>& heapItemsFilter() const { return m_pHeapItemsFilter; }

private:
    using Clock = MonotonicClock;
    FoldersScanner() = default;
    void startScan();
    void scanNextFolderByNewScanner();
    void onFileItemsScanned(std::vector<FileSystemItem*> files);
    void startFilterDuplicatesFiles();
    void stopFilterDuplicatesFiles();
    void finishFilteringDuplicatesFilesWithResultContainer(std::shared_ptr<DuplicatesContainer> container);
    void startFilterDuplicatesFoldersInContainer(std::shared_ptr<DuplicatesContainer> container);
    void finishFilteringDuplicatesFoldersWithResultContainer(std::shared_ptr<DuplicatesContainer> container);
    void startFilterHeapsInContainer(std::shared_ptr<DuplicatesContainer> container);
    void finishWithContainer(std::shared_ptr<DuplicatesContainer> container);
    static void addRelaxed(std::atomic<std::uint64_t>& counter, std::uint64_t value) {
        counter.fetch_add(value, std::memory_order_relaxed);
    }

    std::weak_ptr<FoldersScannerListener> m_pListener;
    std::vector<std::string> userSelectedPaths;
    std::vector<std::string> m_arrRunExcludedFolders;
    std::vector<std::string> m_arrFoldersForScan;
    std::vector<std::string> m_arrScannedFolders;
    // Written on the main thread under the mutex; read there freely and, under the mutex, by the walk's
    // workers, which deliver their batches on their own queues.
    std::mutex m_currentScannerMutex;
    std::shared_ptr<FolderScanner> m_pCurrentScanner;
    std::vector<std::unique_ptr<VolumeSystemItem>> m_arrRoots;
    std::shared_ptr<SerialQueue> m_pDuplicatesFilterWorkingQueue;
    std::shared_ptr<DuplicatesFilter> m_pDuplicatesFilter;
    std::shared_ptr<DuplicatesFolderFilter> m_pDuplicatesFolderFilter;
    std::shared_ptr<HeapsItemsFilter> m_pHeapItemsFilter;
    std::shared_ptr<ExcludeChecker> m_pExcludeChecker;

    // Display values: written by the filter's callbacks and the walk, read by the scan screen's timer.
    std::atomic<FoldersScannerState> m_eCurrentState{FoldersScannerStateIdle};
    std::atomic<std::uint64_t> m_nCountOfScannedFiles{0};
    std::atomic<std::uint64_t> m_nCountOfPossibleDuplicates{0};
    std::array<std::atomic<std::uint64_t>, 7> m_arrPossibleDuplicatesSizes{};
    std::atomic<std::uint64_t> m_nCountOfActualDuplicates{0};
    std::atomic<std::uint64_t> m_nCountOfSmallDuplicatesInHeaps{0};
    std::array<std::atomic<std::uint64_t>, 7> m_arrActualDuplicatesSizes{};
    std::array<std::atomic<bool>, 7> m_arrSearchDuplicatesStates{};
    std::atomic<std::uint64_t> m_nActualHeapsSize{0};
    std::atomic<std::uint64_t> m_nPossibleHeapsSize{0};
    std::atomic<float> m_fFilesFilterProgressNormal{0};
    std::atomic<float> m_fFilesFilterProgressForAutoMinimalSize{0};
    std::atomic<float> m_nDuplicatesFolderFilterProgress{0};
    std::atomic<std::uint64_t> m_nCountOfCheckedFolders{0};
    std::atomic<std::uint64_t> m_nCountOfCheckedFoldersInHeaps{0};
    std::atomic<float> m_nHeapsFilterProgress{0};
    std::atomic<std::uint64_t> m_nCountOfInvalidNames{0};
    std::uint64_t m_nWalkedFoldersOfFinishedScanners = 0;  // main thread only
    std::uint64_t m_nFoundFoldersOfFinishedScanners = 0;   // main thread only
    std::size_t m_nFinishedTopFolders = 0;                  // main thread only
    std::atomic<bool> m_bAutomaticStopApplied{false};

    std::uint64_t m_nDuplicatesMinimalFileSize = 0;
    bool m_bSearchDuplicatesFoldersAndSimilars = true;
    bool m_bIncludeHiddenFiles = false;
    bool m_bFullHash = false;
    bool m_bUseDigestCache = true;
    bool m_bKeepSeenFiles = false;
    std::shared_ptr<DigestCache> m_pDigestCache;         // this scan's, or none
    std::shared_ptr<WalkDigestHints> m_pWalkDigestHints;  // from m_pDigestCache, or none
    std::vector<std::string> m_arrDigestCacheWarnings;  // main thread only
    bool m_bIsBackupsWereSkipped = false;
    bool useOldScanner = false;
    std::optional<Clock::time_point> m_pStartSearchDuplicatesDate;  // main thread only
    std::optional<Clock::time_point> startScanDate;                 // main thread only
};
