#include "scan/FoldersScanner.h"

#include <algorithm>
#include <map>

#include "detection/DigestCache.h"
#include "detection/DuplicatesFilter.h"
#include "detection/DuplicatesFolderFilter.h"
#include "detection/HeapsItemsFilter.h"
#include "detection/FileSeparator.h"
#include "detection/FileType.h"
#include "detection/WalkDigestHints.h"
#include "platform/Dispatch.h"
#include "platform/FileSystem.h"
#include "platform/MultiFileDigest.h"
#include "platform/Volumes.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/ExcludeChecker.h"
#include "scan/PathUtils.h"
#include "scan/PathsGenerator.h"
#include "settings/Settings.h"

namespace {
bool isValidType(std::int32_t type) { return type >= 0 && type < 7; }
}  // namespace

std::shared_ptr<FoldersScanner> FoldersScanner::create(const std::vector<std::string>& folders,
                                                       std::weak_ptr<FoldersScannerListener> listener) {
    std::shared_ptr<FoldersScanner> scanner(new FoldersScanner());
    scanner->m_pListener = std::move(listener);
    scanner->userSelectedPaths = folders;
    scanner->m_arrFoldersForScan = chooseTopFolders(folders);
    if (Settings::standard().excludeTimeMachineBackups())
        scanner->m_bIsBackupsWereSkipped = isContainsBackups(scanner->m_arrFoldersForScan);
    scanner->m_pHeapItemsFilter = HeapsItemsFilter::create(scanner);
    return scanner;
}

FoldersScanner::~FoldersScanner() {
    if (m_pCurrentScanner) m_pCurrentScanner->cancel();
    if (m_pDuplicatesFilter && m_pDuplicatesFilterWorkingQueue) {
        auto filter = m_pDuplicatesFilter;
        m_pDuplicatesFilterWorkingQueue->async([filter] { filter->stopFilterDuplicates(); });
    }
    if (m_pDuplicatesFolderFilter) m_pDuplicatesFolderFilter->stop();
}

std::vector<std::string> FoldersScanner::chooseTopFolders(const std::vector<std::string>& paths) {
    std::vector<std::string> volumeOrder;
    std::map<std::string, std::vector<std::string>> groups;
    for (std::string path : paths) {
        if (path.empty()) continue;
        if (path.back() != '/') path.push_back('/');
        auto volume = Volumes::standard().volumeOfPath(path);
        if (!volume) continue;
        auto& group = groups[volume->mountPoint];
        if (group.empty()) volumeOrder.push_back(volume->mountPoint);
        group.push_back(path);
    }
    std::vector<std::string> result;
    for (const auto& volume : volumeOrder) {
        const auto& group = groups[volume];
        for (std::size_t i = 0; i < group.size(); ++i) {
            bool dropped = false;
            for (std::size_t j = 0; j < group.size() && !dropped; ++j) {
                if (i == j) continue;
                if (group[i] == group[j]) dropped = j < i;  // a repeat of an earlier path
                else if (group[i].starts_with(group[j])) dropped = true;  // inside another chosen folder
            }
            if (dropped) continue;
            std::string path = group[i];
            while (path.size() >= 2 && path.back() == '/') path.pop_back();
            result.push_back(path);
        }
    }
    return result;
}

bool FoldersScanner::isContainsBackups(const std::vector<std::string>& topFolders) {
    for (const auto& folder : topFolders) {
        auto volume = Volumes::standard().volumeOfPath(folder);
        if (!volume) continue;
        std::string backups = volume->mountPoint;
        if (backups.back() != '/') backups.push_back('/');
        backups += PathsGenerator::GetInstance().backupsFolderName();
        if (isPathInFolder(backups, folder) && FileSystem::standard().exists(backups)) return true;
    }
    return false;
}

void FoldersScanner::startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(bool fullHash) {
    startScanAndUseMinimalFileSize(kAutomaticMinimalSize, fullHash);
}

void FoldersScanner::startScanAndUseMinimalFileSize(std::uint64_t size, bool fullHash) {
    if (getCurrentState() != FoldersScannerStateIdle) return;
    FileSeparator::setUseForcedFullHashCalculation(fullHash);
    m_pDigestCache = m_bUseDigestCache ? DigestCache::forUser() : nullptr;
    FileSeparator::setDigestCache(m_pDigestCache);
    // The walk asks the cache about each file it examines (it never waits for it), so that a file whose
    // digest is known need not be examined again by the comparison; the files met before the cache is
    // read are asked about once the walk is over (startFilterDuplicatesFiles).
    m_pWalkDigestHints = m_pDigestCache
                             ? std::make_shared<WalkDigestHints>(m_pDigestCache, Settings::standard().hashBlockSize())
                             : nullptr;
    // Read on the separations' queue while the walk goes on, so that the first separation finds it loaded.
    if (m_pDigestCache)
        FileSeparator::workingQueue()->async([cache = m_pDigestCache, hints = m_pWalkDigestHints] {
            cache->loadForScan();
            hints->markCacheRead();
        });
    m_bFullHash = fullHash;
    m_nDuplicatesMinimalFileSize = size;
    m_pDuplicatesFilterWorkingQueue = SerialQueue::create("com.quellnor.search.duplicates");
    m_pExcludeChecker = std::make_shared<ExcludeChecker>(true);
    m_pExcludeChecker->addIncludedFolderPaths(userSelectedPaths);
    for (const auto& folder : m_arrRunExcludedFolders) m_pExcludeChecker->addToExcludeFolder(folder);
    m_pExcludeChecker->prepareForUse();
    m_pDuplicatesFilter = DuplicatesFilter::create(size, m_bSearchDuplicatesFoldersAndSimilars, m_pExcludeChecker);
    m_pDuplicatesFilter->setWorkingQueue(m_pDuplicatesFilterWorkingQueue);
    m_pDuplicatesFilter->keepSeenFiles(m_bKeepSeenFiles);
    m_pDuplicatesFilter->setListener(weak_from_this());
    startScan();
}

void FoldersScanner::startScan() {
    startScanDate = Clock::standard().now();
    m_eCurrentState = FoldersScannerStateScanningFolders;
    useOldScanner = false;
    scanNextFolderByNewScanner();
}

void FoldersScanner::scanNextFolderByNewScanner() {
    if (m_arrScannedFolders.size() >= m_arrFoldersForScan.size() || getCurrentState() == FoldersScannerStateStopped) {
        startFilterDuplicatesFiles();
        return;
    }
    const std::string& next = m_arrFoldersForScan[m_arrScannedFolders.size()];
    m_arrScannedFolders.push_back(next);
    // The walk starts inside create() and its first batch may arrive before the assignment: the batch
    // waits on the lock until the scanner is known as the current one.
    std::lock_guard lock(m_currentScannerMutex);
    m_pCurrentScanner = FolderScanner::create(next, weak_from_this(), useOldScanner, m_pWalkDigestHints);
}

void FoldersScanner::onScannerFoundFiles(FolderScanner* scanner, std::vector<FileSystemItem*> files) {
    {
        std::lock_guard lock(m_currentScannerMutex);
        if (scanner != m_pCurrentScanner.get()) return;
    }
    onFileItemsScanned(std::move(files));
}

void FoldersScanner::onFileItemsScanned(std::vector<FileSystemItem*> files) {
    auto filter = m_pDuplicatesFilter;
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    bool includeHidden = m_bIncludeHiddenFiles;
    auto batch = std::make_shared<std::vector<FileSystemItem*>>(std::move(files));
    m_pDuplicatesFilterWorkingQueue->async([filter, weak, includeHidden, batch] {
        std::array<std::uint64_t, 7> sizes{};
        std::uint64_t count = 0;
        for (FileSystemItem* f : *batch) {
            FileType t = FileTypeUnknown;
            std::uint64_t r = filter->addFileItem(f, false, includeHidden, &t);
            if (r < 2) continue;
            std::uint64_t add = r == 2 ? 2 : 1;
            if (isValidType(t)) sizes[static_cast<std::size_t>(t)] += add * static_cast<std::uint64_t>(f->logicalSize());
            count += add;
        }
        std::uint64_t scanned = batch->size();
        dispatch::main().async([weak, sizes, count, scanned] {
            auto self = weak.lock();
            if (!self) return;
            for (std::size_t t = 0; t < sizes.size(); ++t) addRelaxed(self->m_arrPossibleDuplicatesSizes[t], sizes[t]);
            addRelaxed(self->m_nCountOfPossibleDuplicates, count);
            addRelaxed(self->m_nCountOfScannedFiles, scanned);
        });
    });
}

void FoldersScanner::onScannerCompletedScanItem(FolderScanner* scanner, VolumeSystemItem*) {
    if (scanner != m_pCurrentScanner.get()) return;
    addRelaxed(m_nCountOfInvalidNames, scanner->countOfInvalidNames());
    m_nWalkedFoldersOfFinishedScanners += scanner->countOfFoldersDone();
    m_nFoundFoldersOfFinishedScanners += scanner->countOfFoldersFound();
    ++m_nFinishedTopFolders;
    if (auto root = scanner->takeRoot()) m_arrRoots.push_back(std::move(root));
    std::shared_ptr<FolderScanner> finished;
    {
        std::lock_guard lock(m_currentScannerMutex);
        finished = std::move(m_pCurrentScanner);
    }
    finished.reset();  // outside the lock: its pool's threads are joined here
    scanNextFolderByNewScanner();
}

void FoldersScanner::startFilterDuplicatesFiles() {
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    m_pDuplicatesFilterWorkingQueue->async([weak] {
        // The filter has every batch of the walk: the files the walk met before the digest cache was read
        // get their hints now, while this scanner holds the tree and no other thread touches the items.
        if (auto self = weak.lock(); self && self->m_pWalkDigestHints) self->m_pWalkDigestHints->giveDeferredHints();
        dispatch::main().async([weak] {
            auto self = weak.lock();
            if (!self) return;
            for (auto& root : self->m_arrRoots) {
                root->calctotalsizeex();
                root->recalculateCountOfDeepChildren();
            }
            self->m_pStartSearchDuplicatesDate = Clock::standard().now();
            self->m_eCurrentState = FoldersScannerStateFilteringFiles;
            auto filter = self->m_pDuplicatesFilter;
            self->m_pDuplicatesFilterWorkingQueue->async([filter] { filter->filterDuplicates(); });
        });
    });
}

void FoldersScanner::stopFilterDuplicatesFiles() {
    auto filter = m_pDuplicatesFilter;
    if (!filter) return;
    m_pDuplicatesFilterWorkingQueue->async([filter] { filter->stopFilterDuplicates(); });
}

void FoldersScanner::onDuplicatesFilesFilterStartFilterFiles(std::int64_t) {}

void FoldersScanner::onDuplicatesFilesFilterProgressChanged(DuplicatesFilterProgress progress) {
    m_fFilesFilterProgressNormal.store(progress.normal, std::memory_order_relaxed);
    m_fFilesFilterProgressForAutoMinimalSize.store(progress.forAutoMinimalSize, std::memory_order_relaxed);
}

void FoldersScanner::onChangedSizeOfPossibleHeaps(std::uint64_t heapsSize, std::uint64_t possibleFoldersSize) {
    if (!m_bSearchDuplicatesFoldersAndSimilars) return;
    m_nPossibleHeapsSize.store(heapsSize, std::memory_order_relaxed);
    m_arrPossibleDuplicatesSizes[FileTypeFolder].store(possibleFoldersSize, std::memory_order_relaxed);
}

void FoldersScanner::onFilteredFilesCount(std::int32_t count, std::uint64_t eachSize, std::int32_t type) {
    if (isValidType(type))
        addRelaxed(m_arrActualDuplicatesSizes[static_cast<std::size_t>(type)],
                   static_cast<std::uint64_t>(count) * eachSize);
    addRelaxed(m_nCountOfActualDuplicates, static_cast<std::uint64_t>(count));
    // The automatic minimal size: after 30 s the small files are not worth waiting for.
    if (isMinimalDuplicatesSizeWasDefinedAutomatically() && eachSize <= kAutomaticStopMaxFileSize &&
        getSearchDuplicatesDuration() > kAutomaticStopSeconds) {
        m_bAutomaticStopApplied.store(true, std::memory_order_relaxed);
        stopFilterDuplicatesFiles();
    }
}

void FoldersScanner::onFinishSearchDuplicatesFilesWithType(std::int32_t type) {
    if (isValidType(type)) m_arrSearchDuplicatesStates[static_cast<std::size_t>(type)].store(true);
}

void FoldersScanner::onFinishFilterWithResultContainer(std::shared_ptr<DuplicatesContainer> container) {
    finishFilteringDuplicatesFilesWithResultContainer(std::move(container));
}

void FoldersScanner::finishFilteringDuplicatesFilesWithResultContainer(std::shared_ptr<DuplicatesContainer> container) {
    startFilterDuplicatesFoldersInContainer(std::move(container));
}

void FoldersScanner::startFilterDuplicatesFoldersInContainer(std::shared_ptr<DuplicatesContainer> container) {
    if (getCurrentState() == FoldersScannerStateStopped || !m_bSearchDuplicatesFoldersAndSimilars) {
        finishFilteringDuplicatesFoldersWithResultContainer(std::move(container));
        return;
    }
    // The container takes the roots now rather than at the heaps step: the folder search runs on its
    // own queue and must never outlive the tree it walks, and the container it holds keeps them.
    std::vector<FolderSystemItem*> roots;
    for (auto& root : m_arrRoots) roots.push_back(root.get());
    container->saveRoots(std::move(m_arrRoots));
    m_arrRoots.clear();
    if (auto listener = m_pListener.lock()) listener->onFilesCompared(container);
    m_pDuplicatesFolderFilter = DuplicatesFolderFilter::create(container, m_pDuplicatesFilter->getCurrentMinimalFileSize());
    m_pDuplicatesFolderFilter->setListener(weak_from_this());
    m_eCurrentState = FoldersScannerStateFilteringFolders;
    m_pDuplicatesFolderFilter->findFoldersDuplicatesInRoots(std::move(roots), m_bIncludeHiddenFiles);
}

void FoldersScanner::onFoundDuplicatesFoldersWithTotalSize(std::uint64_t totalSize, float progress,
                                                           std::uint64_t countOfCheckedFolders) {
    m_arrActualDuplicatesSizes[FileTypeFolder].store(totalSize, std::memory_order_relaxed);
    m_nDuplicatesFolderFilterProgress.store(progress, std::memory_order_relaxed);
    m_nCountOfCheckedFolders.store(countOfCheckedFolders, std::memory_order_relaxed);
}

void FoldersScanner::onUpdateSizesUsingContainer(const std::shared_ptr<DuplicatesContainer>& container) {
    if (!container) return;
    for (int type = FileTypeImage; type <= FileTypeOther; ++type) {
        auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, container->getCategoryWithType(type)->getTotalSize()));
        m_arrPossibleDuplicatesSizes[static_cast<std::size_t>(type)].store(size, std::memory_order_relaxed);
        m_arrActualDuplicatesSizes[static_cast<std::size_t>(type)].store(size, std::memory_order_relaxed);
    }
}

void FoldersScanner::onDuplicatedFolderFilteringCompleteWithContainer(std::shared_ptr<DuplicatesContainer> container) {
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    dispatch::main().async([weak, container = std::move(container)]() mutable {
        if (auto self = weak.lock()) self->finishFilteringDuplicatesFoldersWithResultContainer(std::move(container));
    });
}

void FoldersScanner::finishFilteringDuplicatesFoldersWithResultContainer(
    std::shared_ptr<DuplicatesContainer> container) {
    if (!m_pDigestCache) {
        startFilterHeapsInContainer(std::move(container));
        return;
    }
    // The cache is written before the heap search begins, on the queue that read it, and its entries take
    // no memory while that search runs. A first scan looks nothing up (no file is digested twice in a
    // scan); a rescan's heap search may, and its first separation reads the entries back. A digest that
    // search makes is written at the end.
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    FileSeparator::workingQueue()->async([weak, cache = m_pDigestCache, container = std::move(container)]() mutable {
        const bool rescan = cache->hasEntriesFromEarlierScans();
        (void)cache->save();  // a failure is one of the warnings, and the entries stay
        if (rescan) cache->unloadUntilNeeded();
        dispatch::main().async([weak, container = std::move(container)]() mutable {
            if (auto self = weak.lock()) self->startFilterHeapsInContainer(std::move(container));
        });
    });
}

void FoldersScanner::startFilterHeapsInContainer(std::shared_ptr<DuplicatesContainer> container) {
    if (getCurrentState() != FoldersScannerStateStopped && m_bSearchDuplicatesFoldersAndSimilars)
        m_eCurrentState = FoldersScannerStateFilteringHeaps;
    container->saveRoots(std::move(m_arrRoots));
    m_arrRoots.clear();
    m_pHeapItemsFilter->filterUsingContainer(std::move(container), m_bIncludeHiddenFiles);
}

bool FoldersScanner::isHeapsItemsFilterCanceled() {
    return getCurrentState() == FoldersScannerStateStopped || !m_bSearchDuplicatesFoldersAndSimilars;
}

std::shared_ptr<HeapsValidateProgressListener> FoldersScanner::getHeapsValidateProgressListener() {
    return shared_from_this();
}

void FoldersScanner::onHeapsItemsFilterStartSeparateItems() {
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    dispatch::main().async([weak] {
        auto self = weak.lock();
        if (self && self->getCurrentState() == FoldersScannerStateFilteringHeaps)
            self->m_eCurrentState = FoldersScannerStateSeparatingHeapItems;
    });
}

void FoldersScanner::onHeapsItemsFilterFinishedWork() {
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    std::shared_ptr<DuplicatesContainer> container = m_pHeapItemsFilter->container();
    dispatch::main().async([weak, container]() mutable {
        if (auto self = weak.lock()) self->finishWithContainer(std::move(container));
    });
}

void FoldersScanner::onHeapsItemsFilterFoundDuplicatesCount(std::int64_t count) {
    if (count > 0) addRelaxed(m_nCountOfSmallDuplicatesInHeaps, static_cast<std::uint64_t>(count));
}

bool FoldersScanner::isHeapsValidationCanceled() { return getCurrentState() == FoldersScannerStateStopped; }

void FoldersScanner::onHeapsCheckedFolders(std::uint64_t count) { addRelaxed(m_nCountOfCheckedFoldersInHeaps, count); }

void FoldersScanner::onHeapsSizeChanged(std::uint64_t size, float progress) {
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    dispatch::main().async([weak, size, progress] {
        if (auto self = weak.lock()) {
            self->m_nHeapsFilterProgress.store(progress, std::memory_order_relaxed);
            self->m_nActualHeapsSize.store(size, std::memory_order_relaxed);
        }
    });
}

void FoldersScanner::finishWithContainer(std::shared_ptr<DuplicatesContainer> container) {
    MultiFileDigest::releaseSpareBuffers();  // the duplicate folders' comparison may have left some
    m_nDuplicatesFolderFilterProgress.store(1.0f, std::memory_order_relaxed);
    m_nHeapsFilterProgress.store(1.0f, std::memory_order_relaxed);
    m_eCurrentState = FoldersScannerStateCompleted;
    if (!m_pDigestCache) {
        if (auto listener = m_pListener.lock()) listener->onScanCompleteWithResult(std::move(container));
        return;
    }
    // Written on the separators' queue, after every digest of the scan has been added there; the
    // results wait for it, so that a program that ends right after the scan has its cache written.
    std::weak_ptr<FoldersScanner> weak = weak_from_this();
    FileSeparator::workingQueue()->async([weak, cache = m_pDigestCache, container = std::move(container)]() mutable {
        (void)cache->save();  // a failure is one of the warnings
        cache->unload();      // written: no memory for them until the next scan reads them
        std::vector<std::string> warnings;
        while (std::optional<std::string> warning = cache->takeWarning()) warnings.push_back(std::move(*warning));
        dispatch::main().async([weak, warnings = std::move(warnings), container = std::move(container)]() mutable {
            auto self = weak.lock();
            if (!self) return;
            self->m_arrDigestCacheWarnings = std::move(warnings);
            if (auto listener = self->m_pListener.lock()) listener->onScanCompleteWithResult(std::move(container));
        });
    });
}

void FoldersScanner::stopWithIgnoreResult(bool ignore) {
    FoldersScannerState state = getCurrentState();
    if (state == FoldersScannerStateCompleted || state == FoldersScannerStateStopped) return;
    if (ignore) m_pListener.reset();
    switch (state) {
        case FoldersScannerStateScanningFolders:
            if (m_pCurrentScanner) m_pCurrentScanner->cancel();
            break;
        case FoldersScannerStateFilteringFiles: stopFilterDuplicatesFiles(); break;
        case FoldersScannerStateFilteringFolders:
            if (m_pDuplicatesFolderFilter) m_pDuplicatesFolderFilter->stop();
            break;
        case FoldersScannerStateFilteringHeaps:
        case FoldersScannerStateSeparatingHeapItems: m_pHeapItemsFilter->stopHeapsAdditionalSmallFilesSearch(); break;
        default: break;
    }
    m_eCurrentState = FoldersScannerStateStopped;
}

std::uint64_t FoldersScanner::getCountOfCheckedFolders() const {
    return m_nCountOfCheckedFolders.load(std::memory_order_relaxed) +
           m_nCountOfCheckedFoldersInHeaps.load(std::memory_order_relaxed);
}

std::uint64_t FoldersScanner::getCountOfWalkedFolders() const {
    std::uint64_t n = m_nWalkedFoldersOfFinishedScanners;
    if (m_pCurrentScanner) n += m_pCurrentScanner->countOfFoldersDone();
    return n;
}

std::uint64_t FoldersScanner::getCountOfFoundFolders() const {
    std::uint64_t n = m_nFoundFoldersOfFinishedScanners;
    if (m_pCurrentScanner) n += m_pCurrentScanner->countOfFoldersFound();
    return n;
}

double FoldersScanner::getWalkProgress() const {
    if (m_arrFoldersForScan.empty()) return 0.0;
    double done = static_cast<double>(m_nFinishedTopFolders);
    if (m_pCurrentScanner) done += std::min(1.0, m_pCurrentScanner->walkedShare());
    return std::min(1.0, done / static_cast<double>(m_arrFoldersForScan.size()));
}

std::uint64_t FoldersScanner::getBytesToCompare() const {
    return m_pDuplicatesFilter ? m_pDuplicatesFilter->bytesToCompare() : 0;
}

std::uint64_t FoldersScanner::getBytesCompared() const {
    return m_pDuplicatesFilter ? m_pDuplicatesFilter->bytesCompared() : 0;
}

std::uint64_t FoldersScanner::getPossibleDuplicatesSizeOfType(std::int32_t type) const {
    if (!isValidType(type)) return 0;
    auto t = static_cast<std::size_t>(type);
    return std::max(m_arrPossibleDuplicatesSizes[t].load(std::memory_order_relaxed),
                    m_arrActualDuplicatesSizes[t].load(std::memory_order_relaxed));
}

std::uint64_t FoldersScanner::getCountOfActualDuplicates() const {
    return m_nCountOfActualDuplicates.load(std::memory_order_relaxed) +
           m_nCountOfSmallDuplicatesInHeaps.load(std::memory_order_relaxed);
}

std::uint64_t FoldersScanner::getActualDuplicatesSizeOfType(std::int32_t type) const {
    if (!isValidType(type)) return 0;
    return m_arrActualDuplicatesSizes[static_cast<std::size_t>(type)].load(std::memory_order_relaxed);
}

std::uint64_t FoldersScanner::getPossibleHeapsSize() const {
    return std::max(m_nPossibleHeapsSize.load(std::memory_order_relaxed), m_nActualHeapsSize.load(std::memory_order_relaxed));
}

bool FoldersScanner::isFinishSearchDuplicatesOfType(std::int32_t type) const {
    FoldersScannerState state = getCurrentState();
    if (state != FoldersScannerStateScanningFolders && state != FoldersScannerStateFilteringFiles) return true;
    if (!isValidType(type)) return false;
    return m_arrSearchDuplicatesStates[static_cast<std::size_t>(type)].load();
}

double FoldersScanner::getSearchDuplicatesDuration() const {
    if (!m_pStartSearchDuplicatesDate) return 0.0;
    return std::chrono::duration<double>(Clock::standard().now() - *m_pStartSearchDuplicatesDate).count();
}

double FoldersScanner::getTimeFromStart() const {
    if (!startScanDate) return -1.0;
    return std::chrono::duration<double>(Clock::standard().now() - *startScanDate).count();
}

float FoldersScanner::getDuplicatesFilesFilterProgress() const {
    if (m_nDuplicatesFolderFilterProgress.load(std::memory_order_relaxed) > 0) return 1.0f;
    if (isMinimalDuplicatesSizeWasDefinedAutomatically()) {
        float byTime = static_cast<float>(std::min(1.0, getSearchDuplicatesDuration() / kAutomaticStopSeconds));
        return std::min(byTime, m_fFilesFilterProgressForAutoMinimalSize.load(std::memory_order_relaxed));
    }
    return m_fFilesFilterProgressNormal.load(std::memory_order_relaxed);
}

float FoldersScanner::getDuplicatesFoldersFilterProgress() const {
    if (m_nHeapsFilterProgress.load(std::memory_order_relaxed) > 0) return 1.0f;
    return m_nDuplicatesFolderFilterProgress.load(std::memory_order_relaxed);
}

float FoldersScanner::getOverallProgress() const {
    return 0.35f * getDuplicatesFilesFilterProgress() + 0.6f * getDuplicatesFoldersFilterProgress() +
           0.05f * getHeapsFilterProgress();
}

std::uint64_t FoldersScanner::finalMinimalDuplicatesSize() const {
    return m_pDuplicatesFilter ? m_pDuplicatesFilter->getCurrentMinimalFileSize() : m_nDuplicatesMinimalFileSize;
}
