#include "detection/FileSeparator.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "detection/FileType.h"
#include "platform/FileDigest.h"
#include "platform/FileReader.h"
#include "platform/CpuSpreadExecutor.h"
#include "platform/Dispatch.h"
#include "platform/MultiFileDigest.h"
#include "platform/SerialQueue.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "settings/Settings.h"

std::atomic<bool> FileSeparator::s_bUseForcedFullHash{false};

namespace {
std::mutex g_cacheMutex;
std::shared_ptr<DigestCache>& currentCache() {
    static auto* cache = new std::shared_ptr<DigestCache>();  // never destroyed, like the working queue
    return *cache;
}

enum class ExtensionRule { None, WholeDigest, PngCheck };

// Extensions whose partial-digest sets are confirmed by whole-file digests: uncompressed images,
// raw camera formats, text, sources and data files, where an edit can hide between the regions.
const std::unordered_set<std::string_view>& fullHashExtensions() {
    static const std::unordered_set<std::string_view> table{
        "tiff", "bmp", "tif", "txt", "rtf", "csv", "html", "htm", "xml", "xhtml", "h", "c", "m", "cpp", "cp",
        "py", "mm", "dxf", "log", "aif", "aiff", "3fr", "rwl", "arw", "ari", "cri", "bay", "cap", "crw", "dng",
        "dcs", "fff", "erf", "mdc", "mef", "mrw", "mos", "orf", "nef", "pxn", "pef", "raf", "r3d", "rwz", "raw",
        "x3f", "srw", "cr2", "cr3", "rw2", "nrw", "sr2", "as", "cc", "pch", "hpp", "c++", "cx", "hh",
        "editorconfig", "css", "for", "f", "f77", "ftn", "f95", "f90", "asp", "f2k", "cfm", "incl", "tmpl",
        "shtml", "cfg", "ini", "java", "conf", "js", "j", "jsp", "json", "lua", "mk", "text", "markdown",
        "mark", "mdown", "md", "pas", "p", "pp", "pl", "php", "pm", "php4", "php3", "php5", "rez", "r", "rhtml",
        "rb", "scss", "erb", "etx", "setext", "sql", "stx", "tql", "mssql", "pis", "mysql", "strings", "pgsql",
        "tex", "tcl", "textile", "dat", "data", "vbs", "tsv", "vss", "vs", "vl", "v", "vhdl", "vhd", "rss",
        "plist", "wml", "webloc", "yaml", "yml",
    };
    return table;
}

constexpr std::size_t kLongestTableExtension = 12;  // "editorconfig"
constexpr unsigned char kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// A real PNG has a handful of chunks before its first IDAT; a file that goes on beyond this is
// not treated as one.
constexpr int kMaxPngChunksBeforeData = 1 << 20;

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
           std::uint32_t(bytes[3]);
}

const std::shared_ptr<SerialQueue>& sharedWorkingQueue() {
    // Never destroyed: work still queued when the process exits must not meet a destroyed queue; its
    // thread is ended by dispatch::shutdown before the exit-time destructors run.
    static auto* queue = new std::shared_ptr<SerialQueue>(dispatch::residentQueue("fileseparator.working"));
    return *queue;
}

}  // namespace

FileSeparator::FileSeparator() = default;
FileSeparator::~FileSeparator() = default;

std::shared_ptr<FileSeparator> FileSeparator::create() { return std::shared_ptr<FileSeparator>(new FileSeparator()); }

void FileSeparator::setUseForcedFullHashCalculation(bool useFullHash) {
    s_bUseForcedFullHash.store(useFullHash, std::memory_order_relaxed);
}

bool FileSeparator::useForcedFullHashCalculation() { return s_bUseForcedFullHash.load(std::memory_order_relaxed); }

SerialQueue& FileSeparator::workingQueueRef() { return *sharedWorkingQueue(); }

std::shared_ptr<SerialQueue> FileSeparator::workingQueue() { return sharedWorkingQueue(); }

std::uint64_t FileSeparator::effectiveHashBlockSize(std::uint64_t configured) {
    if (configured < kMinimalHashBlockSize || configured > kMaximalHashBlockSize) return kDefaultHashBlockSize;
    return configured;
}

std::string FileSeparator::keyForEmptyFile(std::string_view path) {
    auto slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string key;
    key.reserve(name.size() + kEmptyFileKeySuffix.size());
    key.append(name).append(kEmptyFileKeySuffix);
    return key;
}

namespace {
ExtensionRule extensionRule(std::string_view path) {
    std::string_view extension = pathExtension(path);
    if (extension.empty() || extension.size() > kLongestTableExtension) return ExtensionRule::None;
    char lower[kLongestTableExtension];
    for (std::size_t i = 0; i < extension.size(); ++i) {
        char c = extension[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view key(lower, extension.size());
    if (fullHashExtensions().contains(key)) return ExtensionRule::WholeDigest;
    if (key == "png") return ExtensionRule::PngCheck;
    return ExtensionRule::None;
}
}  // namespace

bool FileSeparator::isNeedFullHashBuildForPath(const std::string& path) {
    switch (extensionRule(path)) {
        case ExtensionRule::WholeDigest: return true;
        case ExtensionRule::PngCheck: return isNeedFullCheckPNGAtPath(path);
        case ExtensionRule::None: break;
    }
    return false;
}

void FileSeparator::setDigestCache(std::shared_ptr<DigestCache> cache) {
    std::lock_guard lock(g_cacheMutex);
    currentCache() = std::move(cache);
}

std::shared_ptr<DigestCache> FileSeparator::digestCache() {
    std::lock_guard lock(g_cacheMutex);
    return currentCache();
}

bool FileSeparator::isNeedFullCheckPNGAtPath(const std::string& path) {
    FileReader reader;
    if (!reader.open(path)) return false;
    unsigned char signature[8];
    if (reader.readFullyAt(signature, sizeof signature, 0) != 8 ||
        std::memcmp(signature, kPngSignature, sizeof signature) != 0)
        return false;
    std::uint64_t position = 8;
    for (int chunk = 0; chunk < kMaxPngChunksBeforeData; ++chunk) {
        unsigned char header[8];  // big-endian length, then the type
        if (reader.readFullyAt(header, sizeof header, position) != 8) return false;
        position += 8;
        if (std::memcmp(header + 4, "IDAT", 4) == 0) {
            unsigned char data[3];
            if (reader.readFullyAt(data, sizeof data, position) != 3) return false;
            // 78 01: zlib with the fastest level; the first deflate block neither dynamic nor invalid.
            return data[0] == 0x78 && data[1] == 0x01 && (data[2] & 0x60) == 0;
        }
        position += std::uint64_t(bigEndian32(header)) + 4;  // the data and its CRC
    }
    return false;
}

// Starting and stopping.

void FileSeparator::separateItems(std::vector<FileSystemItem*> items, std::weak_ptr<FileSeparatorListener> listener) {
    std::vector<std::vector<FileSystemItem*>> buckets;
    buckets.push_back(std::move(items));
    workingQueueRef().async(
        [self = shared_from_this(), buckets = std::move(buckets), listener = std::move(listener)]() mutable {
            self->startSeparation(std::move(buckets), std::move(listener), true);
        });
}

void FileSeparator::separateBuckets(std::vector<std::vector<FileSystemItem*>> buckets,
                                    std::weak_ptr<FileSeparatorListener> listener) {
    workingQueueRef().async(
        [self = shared_from_this(), buckets = std::move(buckets), listener = std::move(listener)]() mutable {
            self->startSeparation(std::move(buckets), std::move(listener), false);
        });
}

void FileSeparator::stop() {
    workingQueueRef().async([self = shared_from_this()] { self->stopOnWorkingQueue(); });
}

void FileSeparator::startSeparation(std::vector<std::vector<FileSystemItem*>> buckets,
                                    std::weak_ptr<FileSeparatorListener> listener, bool single) {
    if (m_bStarted) return;
    m_bStarted = true;
    m_bSingle = single;
    m_pListener = std::move(listener);
    m_arrResults.assign(buckets.size(), FileItemsByHash{});
    m_arrHashThatNeedToCheckFully.assign(buckets.size(), {});
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        // Stopped before it began: an empty result, and no file was touched.
        notifyListenerAboutFinish();
        return;
    }
    m_pCache = digestCache();
    if (m_pCache) m_pCache->load();
    m_nHashBlockSize = effectiveHashBlockSize(Settings::standard().hashBlockSize());
    m_nHashMaxSize = kSampledAboveBlocks * m_nHashBlockSize;
    // Even a full-scale scan starts with the sampled digests: files whose samples differ cannot be
    // identical, so only the files that share a sampled digest are then read whole. The groups
    // are those of hashing every file whole, for a fraction of the reading.
    m_bConfirmEveryPartialDigest = useForcedFullHashCalculation();
    for (auto& bucket : buckets)
        if (bucket.size() == 1) {
            bucket.front()->setIsCheckedForDuplicates(true);
            bucket.clear();
        }
    m_arrBuckets = std::move(buckets);
    startPass(false);
}

void FileSeparator::stopOnWorkingQueue() {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed) || m_bFinished) return;
    m_bIsSeparationCanceled.store(true, std::memory_order_relaxed);
    if (!m_bStarted) return;  // startSeparation reports the empty result
    // Workers still running see the flag and skip their remaining files; the pass still reports back
    // (and is dropped there), and until then its jobs stay untouched.
    notifyListenerAboutFinish();
}

// Passes.

void FileSeparator::startPass(bool fullHash) {
    m_bUseFullHash = fullHash;
    m_arrJobs.clear();
    m_arrFolderPaths.clear();
    if (m_pCache) {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        m_nNewestCacheableChangeNs = static_cast<std::int64_t>(now.count()) - m_pCache->recentChangeWindowNs();
        // A cache without entries from earlier scans answers no look-up: the files are not even looked at.
        m_bCacheHadEntries = m_pCache->hasEntriesFromEarlierScans();
    }
    std::size_t files = 0;
    for (const auto& bucket : m_arrBuckets) files += bucket.size();
    // First what needs no worker: an empty file's key is its name, and a file the walk's hint answers for
    // has its digest. When that is every file, as in the rescan of an unchanged tree, the pass makes no
    // jobs at all: its files go to their sets at once, in the order of the lists.
    std::vector<Answer> answers(files);
    std::size_t known = 0;
    std::size_t index = 0;
    for (const auto& bucket : m_arrBuckets)
        for (FileSystemItem* item : bucket) {
            item->setIsCheckedForDuplicates(true);
            if (answerWithoutReading(*item, answers[index++])) ++known;
        }
    if (known == files) {
        index = 0;
        for (std::size_t b = 0; b < m_arrBuckets.size(); ++b)
            for (FileSystemItem* item : m_arrBuckets[b]) fileAnswer(static_cast<std::uint32_t>(b), item, answers[index++]);
        if (m_pCache) m_pCache->update({}, std::exchange(m_arrUsedEntries, {}));
        finishPass();
        return;
    }

    std::unordered_map<const FolderSystemItem*, std::uint32_t> folders;
    m_arrJobs.reserve(files);  // jobs are large: growing by doubling would hold them about twice
    index = 0;
    for (std::size_t b = 0; b < m_arrBuckets.size(); ++b)
        for (FileSystemItem* item : m_arrBuckets[b]) {
            const Answer& answer = answers[index++];
            Job& job = m_arrJobs.emplace_back();
            job.item = item;
            job.size = item->logicalSize() > 0 ? static_cast<std::uint64_t>(item->logicalSize()) : 0;
            job.bucket = static_cast<std::uint32_t>(b);
            if (answer.state != Answer::State::None) {
                job.key = keyOf(*item, answer);
                job.needsFullConfirmation = answer.needsFullConfirmation;
                continue;
            }
            // Names and folder paths are copied here, on the queue that owns the tree for now, so that a
            // worker never touches the tree (it may be gone by the time a stopped pass runs). Each
            // folder's path is built once for all its files.
            if (const FolderSystemItem* parent = item->parent()) {
                auto [found, added] = folders.try_emplace(parent, static_cast<std::uint32_t>(m_arrFolderPaths.size()));
                if (added) m_arrFolderPaths.push_back(parent->path());
                job.folder = found->second;
                job.name = item->name();
            } else {
                job.name = item->path();
            }
        }
    answers = {};
    // The files of one folder are read one after the other, by name relative to the folder opened once.
    // Files whose keys are known already (empty files, and those the walk's hints answered for) take no part.
    m_arrJobOrder.clear();
    m_arrJobOrder.reserve(m_arrJobs.size() - known);
    for (std::size_t i = 0; i < m_arrJobs.size(); ++i)
        if (!m_arrJobs[i].key) m_arrJobOrder.push_back(static_cast<std::uint32_t>(i));
    std::stable_sort(m_arrJobOrder.begin(), m_arrJobOrder.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return m_arrJobs[a].folder < m_arrJobs[b].folder; });
    std::uint64_t longest = 0;
    for (std::uint32_t i : m_arrJobOrder) {
        const Job& job = m_arrJobs[i];
        if (m_bUseFullHash) {
            longest = std::max(longest, job.size);
        } else if (auto regions = FileDigest::regionsFor(job.size, m_nHashBlockSize, m_nHashMaxSize)) {
            for (int r = 0; r < regions->count; ++r) longest = std::max(longest, regions->region[r].length);
        }
        if (longest >= MultiFileDigest::kPieceSize) break;
    }
    constexpr std::uint64_t kPage = 4096;
    m_nPieceSize = static_cast<std::size_t>(
        std::clamp<std::uint64_t>((longest + kPage - 1) / kPage * kPage, kPage, MultiFileDigest::kPieceSize));
    m_arrRuns.clear();
    for (std::uint32_t i = 0; i < m_arrJobOrder.size();) {
        Run run{i, i + 1};
        const std::uint32_t folder = m_arrJobs[m_arrJobOrder[i]].folder;
        while (run.end < m_arrJobOrder.size() && run.end - run.begin < kMaxJobsPerRun &&
               folder != kNoFolder && m_arrJobs[m_arrJobOrder[run.end]].folder == folder)
            ++run.end;
        m_arrRuns.push_back(run);
        i = run.end;
    }
    m_bPassInFlight = true;
    if (m_arrRuns.empty()) {
        onPassFinished();
        return;
    }
    // The whole pass is handed over at once: each worker claims run after run from the shared list,
    // and only the last one to run dry reports back, so a pass costs a few wake-ups whatever its size.
    const int workers = static_cast<int>(std::min<std::size_t>(kMaxConcurrentDigests, m_arrRuns.size()));
    m_nNextRun.store(0, std::memory_order_relaxed);
    m_nWorkersRunning.store(workers, std::memory_order_relaxed);
    for (int i = 0; i < workers; ++i)
        CpuSpreadExecutor::shared().async([self = shared_from_this()] { self->digestJobs(); });
}

namespace {
// The path of a job's file in a buffer of the calling worker, reused from file to file.
const std::string& jobPath(const std::string* folderPath, const std::string& name) {
    thread_local std::string path;
    if (!folderPath) return name;
    path.assign(*folderPath);
    if (path.empty() || path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}
}  // namespace

void FileSeparator::digestJobs() {
    // A worker reads several files of its runs at once and compresses their blocks side by side; files
    // stay open only while in a lane, so a worker holds at most a lane count of them.
    MultiFileDigest lanes([this](std::uint64_t index, const FileReader& file, std::optional<std::string> digest) {
        Job& job = m_arrJobs[index];
        if (digest) job.key = SetKey(*digest);
        if (!job.key) {
            job.readFailed = !m_bIsSeparationCanceled.load(std::memory_order_relaxed) && !dispatch::isShuttingDown();
            return;
        }
        const bool sampled = isSampled(job);
        std::uint32_t flags = 0;
        // Only a digest that really left parts of the file out needs confirming; the extension test
        // (and the PNG read) runs here rather than on the serial working queue.
        if (sampled) job.needsFullConfirmation = needsWholeDigest(jobPath(folderPathOf(job), job.name), flags);
        keepDigest(job, file.stampAtOpen(), sampled ? m_nHashBlockSize : DigestCache::kWholeFile, flags);
    }, Md5Lanes::bestEngine(), m_nPieceSize);
    lanes.setStopCheck([this] { return m_bIsSeparationCanceled.load(std::memory_order_relaxed); });
    const std::size_t count = m_arrRuns.size();
    for (;;) {
        const std::size_t index = m_nNextRun.fetch_add(1, std::memory_order_relaxed);
        if (index >= count) break;
        digestRun(m_arrRuns[index], lanes);
    }
    lanes.finish();
    // Release and acquire: every worker's jobs are written before the last one posts the report.
    if (m_nWorkersRunning.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    workingQueueRef().async([self = shared_from_this()] { self->onPassFinished(); });
}

std::uint64_t FileSeparator::firstPassKind(std::uint64_t size, std::uint64_t blockLength) {
    return FileDigest::isPartialDigest(size, blockLength, kSampledAboveBlocks * blockLength) ? blockLength
                                                                                           : DigestCache::kWholeFile;
}

bool FileSeparator::isSampled(const Job& job) const {
    return !m_bUseFullHash && firstPassKind(job.size, m_nHashBlockSize) != DigestCache::kWholeFile;
}

const std::string* FileSeparator::folderPathOf(const Job& job) const {
    return job.folder == kNoFolder ? nullptr : &m_arrFolderPaths[job.folder];
}

void FileSeparator::digestRun(const Run& run, MultiFileDigest& lanes) {
    FileReader::Folder folder;
    const std::uint32_t folderIndex = m_arrJobs[m_arrJobOrder[run.begin]].folder;
    // A folder is worth opening for two files or more; a failed open leaves each file to its path.
    if (run.end - run.begin > 1 && folderIndex != kNoFolder &&
        !m_bIsSeparationCanceled.load(std::memory_order_relaxed))
        (void)folder.open(m_arrFolderPaths[folderIndex].c_str());
    for (std::uint32_t i = run.begin; i < run.end; ++i) calculateHashForJob(m_arrJobOrder[i], folder, lanes);
}

void FileSeparator::calculateHashForJob(std::uint32_t index, const FileReader::Folder& folder,
                                        MultiFileDigest& lanes) {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) return;
    Job& job = m_arrJobs[index];
    const std::string* folderPath = folderPathOf(job);
    // A file whose path is too long for the system is opened by that path, and so fails as it always
    // did: the rest of the program (reports, previews, the desktop) names files by their paths.
    const bool byName = folder.isOpen() && folderPath->size() + 1 + job.name.size() < PATH_MAX;
    // A digest of the samples is one kind per block length; a digest of every byte is one kind, however
    // it was read (the partial pass digests small files whole).
    const bool sampled = isSampled(job);
    const std::uint64_t kind = sampled ? m_nHashBlockSize : DigestCache::kWholeFile;
    if (m_pCache && m_bCacheHadEntries) {
        FileStamp stamp;
        const Status looked = byName ? FileReader::stampAt(folder, job.name.c_str(), stamp)
                                     : FileReader::stampOfPath(jobPath(folderPath, job.name).c_str(), stamp);
        if (looked && stamp.isRegular && stamp.size == job.size)
            if (std::optional<DigestCache::Entry> found = m_pCache->find(DigestCache::Key::of(stamp, kind))) {
                job.key = SetKey::ofDigest(found->digest);
                job.cached = Job::Cached::Found;
                job.cacheEntry = *found;
                if (sampled) {
                    const std::uint32_t known = found->flags;
                    job.needsFullConfirmation = needsWholeDigest(jobPath(folderPath, job.name), job.cacheEntry.flags);
                    if (job.cacheEntry.flags != known) job.cached = Job::Cached::New;  // the PNG check ran now
                }
                return;
            }
    }

    auto file = std::make_unique<FileReader>();
    if (!(byName ? file->openAt(folder, job.name.c_str()) : file->open(jobPath(folderPath, job.name)))) {
        job.readFailed = true;
        return;
    }
    // The partial pass digests small files whole; the digest arrives in digestJobs' callback.
    if (m_bUseFullHash) lanes.add(index, std::move(file), FileDigest::Regions::whole(job.size));
    else if (auto regions = FileDigest::regionsFor(job.size, m_nHashBlockSize, m_nHashMaxSize))
        lanes.add(index, std::move(file), *regions);
}

bool FileSeparator::answerWithoutReading(const FileSystemItem& item, Answer& answer) {
    const std::uint64_t size = item.logicalSize() > 0 ? static_cast<std::uint64_t>(item.logicalSize()) : 0;
    if (size == 0) {
        answer.state = Answer::State::EmptyFile;
        return true;
    }
    if (!m_pCache || !m_bCacheHadEntries) return false;
    const std::optional<std::uint64_t> hint = item.digestHint();
    if (!hint) return false;
    const bool sampled = !m_bUseFullHash && firstPassKind(size, m_nHashBlockSize) != DigestCache::kWholeFile;
    std::optional<DigestCache::Entry> found =
        m_pCache->entryForHint(*hint, size, sampled ? m_nHashBlockSize : DigestCache::kWholeFile);
    if (!found && !sampled && firstPassKind(size, m_nHashBlockSize) != DigestCache::kWholeFile) {
        // A confirmation: the hint names the file's sampled digest, kept under the stamp the walk saw,
        // and under that stamp the whole-file digest is looked up.
        if (std::optional<DigestCache::Entry> samples = m_pCache->entryForHint(*hint, size, m_nHashBlockSize)) {
            DigestCache::Key whole = samples->key;
            whole.kind = DigestCache::kWholeFile;
            found = m_pCache->find(whole);
        }
    }
    if (!found) return false;
    if (sampled) {
        // The PNG check reads the file: a PNG file the cache has no answer for goes to the workers.
        const std::string_view name = item.name();
        if (extensionRule(name) == ExtensionRule::PngCheck && !(found->flags & DigestCache::kPngChecked)) return false;
        answer.needsFullConfirmation = needsWholeDigest(name, found->flags);  // no read: the answer is known
    }
    answer.state = Answer::State::Digest;
    answer.digest = found->digest;
    if (!found->usedToday) m_arrUsedEntries.push_back(found->key);
    return true;
}

SetKey FileSeparator::keyOf(const FileSystemItem& item, const Answer& answer) {
    if (answer.state == Answer::State::Digest) return SetKey::ofDigest(answer.digest);
    return item.parent() ? keyForEmptyFile(item.name()) : keyForEmptyFile(item.path());
}

void FileSeparator::fileAnswer(std::uint32_t bucket, FileSystemItem* item, const Answer& answer) {
    if (answer.state == Answer::State::Digest) item->setWasContentRead(true);
    SetKey key = keyOf(*item, answer);
    if (!m_bUseFullHash && answer.needsFullConfirmation) m_arrHashThatNeedToCheckFully[bucket].insert(key);
    m_arrResults[bucket][std::move(key)].push_back(item);
}

void FileSeparator::keepDigest(Job& job, const FileStamp& stamp, std::uint64_t kind, std::uint32_t flags) const {
    // Kept under the stamp the file had when it was opened, and only when its last change lies well
    // before this pass began: any write after that (during the read, too) moves the change time past
    // the stamp kept, so the next scan reads the file again.
    if (m_pCache && stamp.size == job.size && stamp.changeNs <= m_nNewestCacheableChangeNs)
        if (std::optional<DigestCache::Digest> digest = DigestCache::digestFromHex(job.key->view())) {
            job.cached = Job::Cached::New;
            job.cacheEntry = {DigestCache::Key::of(stamp, kind), *digest, flags};
        }
}

bool FileSeparator::needsWholeDigest(std::string_view path, std::uint32_t& flags) const {
    if (m_bConfirmEveryPartialDigest) return true;
    switch (extensionRule(path)) {
        case ExtensionRule::WholeDigest: return true;
        case ExtensionRule::PngCheck:
            if (!(flags & DigestCache::kPngChecked)) {
                flags |= DigestCache::kPngChecked;
                if (isNeedFullCheckPNGAtPath(std::string(path))) flags |= DigestCache::kPngNeedsWholeDigest;
            }
            return (flags & DigestCache::kPngNeedsWholeDigest) != 0;
        case ExtensionRule::None: break;
    }
    return false;
}

void FileSeparator::onPassFinished() {
    m_bPassInFlight = false;
    std::vector<Job> jobs = std::move(m_arrJobs);
    m_arrJobs = {};
    m_arrFolderPaths = {};
    m_arrJobOrder = {};
    m_arrRuns = {};
    if (m_pCache) {
        // Digests read before a stop are as good as any: they are kept too.
        std::vector<DigestCache::Entry> fresh;
        std::vector<DigestCache::Key> used = std::exchange(m_arrUsedEntries, {});
        for (const Job& job : jobs) {
            if (job.cached == Job::Cached::New) fresh.push_back(job.cacheEntry);
            else if (job.cached == Job::Cached::Found && !job.cacheEntry.usedToday) used.push_back(job.cacheEntry.key);
        }
        m_pCache->update(fresh, used);
    }
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) return;  // the listener has heard already
    for (Job& job : jobs) {
        if (job.readFailed) job.item->setContentReadFailed(true);
        if (!job.key) continue;
        if (job.size > 0) job.item->setWasContentRead(true);
        if (!m_bUseFullHash && job.needsFullConfirmation) m_arrHashThatNeedToCheckFully[job.bucket].insert(*job.key);
        m_arrResults[job.bucket][std::move(*job.key)].push_back(job.item);
    }
    jobs = {};
    finishPass();
}

void FileSeparator::finishPass() {
    bool confirm = false;
    for (std::size_t b = 0; b < m_arrBuckets.size(); ++b) {
        std::vector<FileSystemItem*> confirmation;
        for (const SetKey& key : m_arrHashThatNeedToCheckFully[b]) {
            auto found = m_arrResults[b].find(key);
            if (found == m_arrResults[b].end() || found->second.size() < 2) continue;
            confirmation.insert(confirmation.end(), found->second.begin(), found->second.end());
            m_arrResults[b].erase(found);
        }
        m_arrHashThatNeedToCheckFully[b].clear();
        confirm = confirm || !confirmation.empty();
        m_arrBuckets[b] = std::move(confirmation);
    }
    if (confirm) {
        startPass(true);
        return;
    }
    notifyListenerAboutFinish();
}

void FileSeparator::notifyListenerAboutFinish() {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        for (const auto& bucket : m_arrBuckets)
            for (FileSystemItem* item : bucket) item->setIsCheckedForDuplicates(false);
        for (auto& result : m_arrResults) result.clear();
    }
    m_bFinished = true;
    m_arrBuckets = {};
    m_arrHashThatNeedToCheckFully = {};
    std::vector<FileItemsByHash> results = std::move(m_arrResults);
    m_arrResults = {};
    std::shared_ptr<FileSeparatorListener> listener = m_pListener.lock();
    m_pListener.reset();
    if (!listener) return;
    if (!m_bSingle)
        listener->onFinishSeparateBuckets(std::move(results));
    else
        listener->onFinishSeparateItemsByHash(results.empty() ? FileItemsByHash{} : std::move(results.front()));
}
