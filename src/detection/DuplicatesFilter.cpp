#include "detection/DuplicatesFilter.h"

#include <algorithm>

#include "detection/FileSeparator.h"
#include "platform/MultiFileDigest.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesHeaps.h"
#include "results/FileIdentity.h"
#include "scan/ExcludeChecker.h"
#include "scan/FolderSystemItem.h"

namespace {
// Empties a container and gives its storage back (clear() and `= {}` keep it).
template <typename Container>
void releaseStorage(Container& container) {
    Container().swap(container);
}

constexpr std::array<FileType, 6> kProcessingOrder = {FileTypeImage,    FileTypeVideo,   FileTypeMusic,
                                                      FileTypeDocument, FileTypeArchive, FileTypeOther};
}  // namespace

std::vector<FileSystemItem*> DuplicatesFilter::SizeBucket::items() const {
    std::vector<FileSystemItem*> out;
    out.reserve(count());
    if (first) out.push_back(first);
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

std::shared_ptr<DuplicatesFilter> DuplicatesFilter::create(std::uint64_t minimalFileSize, bool withHeaps,
                                                           std::shared_ptr<ExcludeChecker> excludeChecker) {
    std::shared_ptr<DuplicatesFilter> filter(new DuplicatesFilter());
    filter->m_bAutoDefineMinimalFileSize = minimalFileSize == kAutomaticMinimalSize;
    filter->m_nMinimalDuplicatesFileSize = filter->m_bAutoDefineMinimalFileSize ? 0 : minimalFileSize;
    filter->m_pDuplicatesContainer = std::make_shared<DuplicatesContainer>(withHeaps, std::move(excludeChecker));
    return filter;
}

DuplicatesFilter::~DuplicatesFilter() = default;

void DuplicatesFilter::setDuplicateContainer(std::shared_ptr<DuplicatesContainer> container) {
    m_pDuplicatesContainer = std::move(container);
}

bool DuplicatesFilter::isNeedScanFileItem(FileSystemItem* item, bool includeHidden) const {
    if (!item || item->isDir() || item->isCheckedForDuplicates() || item->isInPackage()) return false;
    if (!includeHidden && item->parent() && item->parent()->isTopHiddenFlag()) return false;
    if (static_cast<std::uint64_t>(item->logicalSize()) < m_nMinimalDuplicatesFileSize) return false;
    auto checker = m_pDuplicatesContainer ? m_pDuplicatesContainer->getExcludeChecker() : nullptr;
    if (checker && checker->isFileItemExcluded(item)) return false;
    return true;
}

std::uint64_t DuplicatesFilter::addFileItem(FileSystemItem* item, bool markBeforeFilter, bool includeHidden,
                                           FileType* typeOut) {
    std::uint64_t count = 0;
    if (isNeedScanFileItem(item, includeHidden)) {
        FileType type = typeOfFileAtPath(item->name());
        if (typeOut) *typeOut = type;
        auto& bucket = m_arrPossibleDuplicates[static_cast<std::size_t>(type + 1)][generateFileSizeKeyForFileItem(item)];
        if (!bucket.first)
            bucket.first = item;
        else
            bucket.more.push_back(item);
        count = bucket.count();
    }
    if (markBeforeFilter && item) item->setIsCheckedForDuplicates(true);
    return count;
}

std::string_view DuplicatesFilter::generateFileTypeKeyForFileItem(const FileSystemItem* item) {
    return fileTypeKey(typeOfFileAtPath(item->name()));
}

std::uint64_t DuplicatesFilter::generateFileSizeKeyForFileItem(const FileSystemItem* item) {
    return static_cast<std::uint64_t>(item->logicalSize());
}

void DuplicatesFilter::filterDuplicates() {
    auto self = shared_from_this();
    m_pWorkingQueue->async([self] { self->doFilterDuplicates(); });
}

void DuplicatesFilter::doFilterDuplicates() {
    std::size_t countOfBuckets = 0;
    for (FileType type : kProcessingOrder)
        for (const auto& [size, bucket] : m_arrPossibleDuplicates[static_cast<std::size_t>(type + 1)])
            if (bucket.count() >= 2) ++countOfBuckets;
    std::vector<Bucket> buckets;
    buckets.reserve(countOfBuckets);
    for (FileType type : kProcessingOrder) {
        auto& sizes = m_arrPossibleDuplicates[static_cast<std::size_t>(type + 1)];
        const auto first = static_cast<std::ptrdiff_t>(buckets.size());
        for (auto& [size, bucket] : sizes)
            if (bucket.count() >= 2) buckets.push_back(Bucket{size, bucket.items()});
        // Within one kind, larger files first: the most space is confirmed earliest.
        std::sort(buckets.begin() + first, buckets.end(), [](const Bucket& a, const Bucket& b) { return a.size > b.size; });
    }
    // Released, not only emptied: a map of every size seen keeps its slots otherwise.
    for (auto& sizes : m_arrPossibleDuplicates) releaseStorage(sizes);
    m_nMinimalCountOfGroups = 0;
    if (m_bAutoDefineMinimalFileSize) {
        std::stable_sort(buckets.begin(), buckets.end(), [](const Bucket& a, const Bucket& b) { return a.size > b.size; });
        m_nMinimalCountOfGroups = static_cast<std::int64_t>(buckets.size());
        for (std::size_t i = 0; i < buckets.size(); ++i)
            if (buckets[i].size < kLargeFileSize) {
                m_nMinimalCountOfGroups = static_cast<std::int64_t>(i + 1);
                break;
            }
    }
    std::int64_t countOfFiles = 0;
    std::uint64_t bytes = 0;
    for (const auto& b : buckets) {
        countOfFiles += static_cast<std::int64_t>(b.items.size());
        bytes += b.size * b.items.size();
    }
    m_nBytesToCompare.store(bytes, std::memory_order_relaxed);

    m_bIsFilterCanceled.store(false);
    m_arrPossibleDuplicatesKeys = std::move(buckets);
    m_nCurrentFilterIndexInKeys = -1;
    filterNextPossibleDuplicates();
    std::weak_ptr<DuplicatesFilterProgressListener> weakListener = m_pListener;
    dispatch::main().async([weakListener, countOfFiles] {
        if (auto l = weakListener.lock()) l->onDuplicatesFilesFilterStartFilterFiles(countOfFiles);
    });
}

void DuplicatesFilter::filterNextPossibleDuplicates() {
    if (!startNextSeparation()) finishFilterDuplicates();
}

bool DuplicatesFilter::startNextSeparation() {
    // The bytes of the run that just ended count as compared.
    m_nBytesCompared.fetch_add(m_nBytesOfCurrentBucket, std::memory_order_relaxed);
    m_nBytesOfCurrentBucket = 0;
    if (isFilterCanceled()) return false;
    // Consecutive buckets go to one separation until it holds enough files to keep the digest workers
    // busy: most buckets hold two or three files, and handing them over one at a time would cost more
    // in thread wake-ups than their digests. Results are still taken in bucket order.
    const auto count = static_cast<std::int64_t>(m_arrPossibleDuplicatesKeys.size());
    std::vector<std::vector<FileSystemItem*>> run;
    std::size_t files = 0;
    m_nRunFirstIndex = m_nCurrentFilterIndexInKeys + 1;
    m_otherNames.clear();
    while (files < kFilesPerSeparation && m_nCurrentFilterIndexInKeys + 1 < count) {
        auto& bucket = m_arrPossibleDuplicatesKeys[static_cast<std::size_t>(++m_nCurrentFilterIndexInKeys)];
        std::vector<FileSystemItem*> items;
        if (bucket.items.size() >= 2) {
            m_nBytesOfCurrentBucket += bucket.size * bucket.items.size();
            items = setAsideOtherNames(std::move(bucket.items));
        }
        bucket.items.clear();
        files += items.size();
        run.push_back(std::move(items));
    }
    if (run.empty()) return false;
    m_pFileSeparator = FileSeparator::create();
    m_pFileSeparator->separateBuckets(std::move(run), std::static_pointer_cast<FileSeparatorListener>(shared_from_this()));
    return true;
}

std::vector<FileSystemItem*> DuplicatesFilter::setAsideOtherNames(std::vector<FileSystemItem*> items) {
    std::vector<std::pair<FileIdentity, FileSystemItem*>> files;
    std::size_t kept = 0;
    for (FileSystemItem* item : items) {
        // Empty files are told apart by their names, never read: they stay as they are.
        if (item->hasOtherNames() && item->logicalSize() > 0) {
            if (auto identity = FileIdentity::ofFileWithOtherNames(item->path())) {
                auto same = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == *identity; });
                if (same != files.end()) {
                    // Its content is the first name's: no need to read it again.
                    item->setIsCheckedForDuplicates(true);
                    m_otherNames[same->second].push_back(item);
                    continue;
                }
                files.emplace_back(*identity, item);
            }
        }
        items[kept++] = item;
    }
    items.resize(kept);
    return items;
}

void DuplicatesFilter::onFinishSeparateItemsByHash(FileItemsByHash result) {
    std::vector<FileItemsByHash> results;
    results.push_back(std::move(result));
    onFinishSeparateBuckets(std::move(results));
}

void DuplicatesFilter::onFinishSeparateBuckets(std::vector<FileItemsByHash> results) {
    auto self = shared_from_this();
    auto holder = std::make_shared<std::vector<FileItemsByHash>>(std::move(results));
    m_pWorkingQueue->async([self, holder] {
        // The next separation goes to the digest workers first, so that they read while this one's sets
        // are filed. Sets are still filed in bucket order: the next results come through this serial
        // queue, after this task.
        const std::int64_t first = self->m_nRunFirstIndex;
        const OtherNames otherNames = std::move(self->m_otherNames);
        self->m_otherNames.clear();
        const bool more = self->startNextSeparation();
        const std::shared_ptr<DigestCache> cache = self->m_bKeepSeenFiles ? FileSeparator::digestCache() : nullptr;
        const std::int64_t last = self->m_nCurrentFilterIndexInKeys;
        for (std::size_t i = 0; i < holder->size() && !self->isFilterCanceled(); ++i) {
            // Progress is reported bucket by bucket, as if each had been hashed on its own.
            self->m_nCurrentFilterIndexInKeys = first + static_cast<std::int64_t>(i);
            self->saveHashHeaps((*holder)[i], otherNames, cache.get());
        }
        self->m_nCurrentFilterIndexInKeys = last;
        self->notifyListenerAboutFoundGroups();
        if (!more) self->finishFilterDuplicates();
    });
}

void DuplicatesFilter::saveHashHeaps(FileItemsByHash& result, const OtherNames& otherNames, const DigestCache* cache) {
    for (auto& [key, files] : result) {
        if (!otherNames.empty()) {
            const std::size_t hashed = files.size();
            for (std::size_t i = 0; i < hashed; ++i)
                if (auto names = otherNames.find(files[i]); names != otherNames.end())
                    files.insert(files.end(), names->second.begin(), names->second.end());
        }
        if (files.size() < 2) continue;
        FileSystemItem* sample = files.front();
        auto size = static_cast<std::uint64_t>(sample->logicalSize());
        if (size < m_nCurrentMinimalDuplicatesFileSize.load()) m_nCurrentMinimalDuplicatesFileSize.store(size);
        FileType type = typeOfFileAtPath(sample->name());
        // Read before the group links its members: linking an item forgets its hint.
        if (cache) keepSeenFilesOf(files, *cache);
        if (auto* category = m_pDuplicatesContainer->getCategoryWithType(type)) category->addGroupWithItems(files);
        for (FileSystemItem* f : files) updatePossibleDuplicateFolderInformationByFolder(f->parent());
        m_arrFoundGroups.push_back({static_cast<std::int32_t>(files.size()), size, type});
    }
}

void DuplicatesFilter::keepSeenFilesOf(const std::vector<FileSystemItem*>& files, const DigestCache& cache) {
    SeenFiles& seen = m_pDuplicatesContainer->seenFiles();
    for (const FileSystemItem* f : files) {
        const std::optional<std::uint64_t> hint = f->digestHint();
        if (!hint) continue;
        const std::optional<DigestCache::Key> key = cache.keyForHint(*hint);
        if (!key) continue;
        // Seconds of a time in nanoseconds, rounded down as the system rounds stat's seconds.
        const std::int64_t ns = key->modificationNs;
        const std::int64_t seconds = ns / 1000000000 - (ns % 1000000000 < 0 ? 1 : 0);
        seen.add(f, {FileStamp::attributesDevice(key->device), key->inode, seconds});
    }
}

void DuplicatesFilter::updatePossibleDuplicateFolderInformationByFolder(FolderSystemItem* folder) {
    if (!folder || !m_arrPossibleDuplicateFoldersContainer.insert(folder).second) return;
    std::string identity = std::to_string(folder->logicalSize()) + "_" + std::to_string(folder->getCountOfDeepChildren());
    auto it = m_arrPossibleDuplicateFolders.find(identity);
    if (it == m_arrPossibleDuplicateFolders.end()) {
        m_arrPossibleDuplicateFolders.emplace(identity, 0);
    } else if (it->second == 0) {
        std::uint64_t sum = 0;
        for (const auto& c : folder->childrenArray())
            if (!c->isDir()) sum += static_cast<std::uint64_t>(c->logicalSize());
        it->second = sum;
        m_nPossibleDuplicateFoldersSize.fetch_add(2 * sum);
    } else {
        m_nPossibleDuplicateFoldersSize.fetch_add(it->second);
    }
}

DuplicatesFilterProgress DuplicatesFilter::currentProgress() const {
    DuplicatesFilterProgress p;
    auto count = static_cast<float>(m_arrPossibleDuplicatesKeys.size());
    auto index = static_cast<float>(std::max<std::int64_t>(m_nCurrentFilterIndexInKeys, 0));
    p.normal = count > 0 ? index / count : 0.0f;
    p.forAutoMinimalSize = m_nMinimalCountOfGroups > 0 ? index / static_cast<float>(m_nMinimalCountOfGroups) : p.normal;
    return p;
}

void DuplicatesFilter::notifyListenerAboutFoundGroups() {
    std::vector<FoundGroup> found = std::move(m_arrFoundGroups);
    m_arrFoundGroups = {};
    if (found.empty() || m_pListener.expired()) return;
    DuplicatesFilterProgress progress = currentProgress();
    std::uint64_t heapsSize = 0;
    if (auto* heaps = m_pDuplicatesContainer->getHeaps()) heapsSize = heaps->getPossibleHeapsSize();
    bool fixedMode = !m_bAutoDefineMinimalFileSize;
    std::weak_ptr<DuplicatesFilterProgressListener> weakListener = m_pListener;
    std::weak_ptr<DuplicatesFilter> weakSelf = weak_from_this();
    dispatch::main().async([weakListener, weakSelf, progress, heapsSize, fixedMode, found = std::move(found)] {
        auto l = weakListener.lock();
        if (!l) return;
        l->onDuplicatesFilesFilterProgressChanged(progress);
        std::uint64_t folders = 0;
        if (auto self = weakSelf.lock()) folders = self->possibleDuplicateFoldersSize();
        l->onChangedSizeOfPossibleHeaps(heapsSize, folders);
        for (const FoundGroup& group : found) {
            if (fixedMode && group.type >= FileTypeVideo && group.type <= FileTypeOther)
                l->onFinishSearchDuplicatesFilesWithType(group.type - 1);
            l->onFilteredFilesCount(group.count, group.eachSize, group.type);
        }
    });
}

void DuplicatesFilter::finishFilterDuplicates() {
    if (m_bFinished) return;
    m_bFinished = true;
    m_pFileSeparator.reset();
    // What only the comparison needed goes now: the results live on for the folder phases.
    releaseStorage(m_arrPossibleDuplicatesKeys);
    releaseStorage(m_otherNames);
    releaseStorage(m_arrPossibleDuplicateFolders);
    releaseStorage(m_arrPossibleDuplicateFoldersContainer);
    MultiFileDigest::releaseSpareBuffers();
    auto listener = m_pListener;
    m_pListener.reset();
    if (listener.expired()) return;
    auto container = m_pDuplicatesContainer;
    dispatch::main().async([listener, container] {
        if (auto l = listener.lock()) l->onFinishFilterWithResultContainer(container);
    });
}

void DuplicatesFilter::stopFilterDuplicates() {
    m_bIsFilterCanceled.store(true);
    if (m_pFileSeparator) m_pFileSeparator->stop();
}

std::uint64_t DuplicatesFilter::getCurrentMinimalFileSize() const {
    if (!m_bAutoDefineMinimalFileSize) return m_nMinimalDuplicatesFileSize;
    if (!isFilterCanceled()) return 0;
    return m_nCurrentMinimalDuplicatesFileSize.load();
}
