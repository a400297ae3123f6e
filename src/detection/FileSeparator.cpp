#include "detection/FileSeparator.h"

#include <cstring>

#include "detection/FileType.h"
#include "platform/FileDigest.h"
#include "platform/FileReader.h"
#include "platform/CpuSpreadExecutor.h"
#include "platform/OperationQueue.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "scan/FileSystemItem.h"
#include "settings/Settings.h"

std::atomic<bool> FileSeparator::s_bUseForcedFullHash{false};

namespace {

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

bool FileSeparator::isNeedFullHashBuildForPath(const std::string& path) {
    std::string_view extension = pathExtension(path);
    if (extension.empty() || extension.size() > kLongestTableExtension) return false;
    char lower[kLongestTableExtension];
    for (std::size_t i = 0; i < extension.size(); ++i) {
        char c = extension[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view key(lower, extension.size());
    if (fullHashExtensions().contains(key)) return true;
    if (key == "png") return isNeedFullCheckPNGAtPath(path);
    return false;
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
    workingQueueRef().async(
        [self = shared_from_this(), items = std::move(items), listener = std::move(listener)]() mutable {
            self->startSeparation(std::move(items), std::move(listener));
        });
}

void FileSeparator::stop() {
    workingQueueRef().async([self = shared_from_this()] { self->stopOnWorkingQueue(); });
}

void FileSeparator::startSeparation(std::vector<FileSystemItem*> items,
                                    std::weak_ptr<FileSeparatorListener> listener) {
    if (m_bStarted) return;
    m_bStarted = true;
    m_pListener = std::move(listener);
    m_arrItemsByFileContentHash.clear();
    m_arrHashThatNeedToCheckFully.clear();
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        // Stopped before it began: an empty result, and no file was touched.
        notifyListenerAboutFinish();
        return;
    }
    if (items.size() >= 2) {
        m_nHashBlockSize = effectiveHashBlockSize(Settings::standard().hashBlockSize());
        m_nHashMaxSize = 3 * m_nHashBlockSize;
        m_pFilterOperationQueue = std::make_unique<OperationQueue>(
            "Separating Queue", kMaxConcurrentDigests,
            [](std::function<void()> task) { CpuSpreadExecutor::shared().async(std::move(task)); });
        // Even a full-scale scan starts with the sampled digests: files whose samples differ cannot be
        // identical, so only the files that share a sampled digest are then read whole. The groups
        // are those of hashing every file whole, for a fraction of the reading.
        m_bConfirmEveryPartialDigest = useForcedFullHashCalculation();
        separateItemsWithFullFileHash(std::move(items), false);
        return;
    }
    if (items.size() == 1) items.front()->setIsCheckedForDuplicates(true);
    m_arrItemsForSeparate = std::move(items);
    notifyListenerAboutFinish();
}

void FileSeparator::stopOnWorkingQueue() {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed) || m_bFinished) return;
    m_bIsSeparationCanceled.store(true, std::memory_order_relaxed);
    if (!m_bStarted) return;  // startSeparation reports the empty result
    // Queued operations see the flag and skip their file; they still report back (and are dropped
    // there), so the separator knows when none refers to it any more.
    m_nCountOfItemsRestToSeparate = 0;
    notifyListenerAboutFinish();
}

// Passes and batches.

void FileSeparator::separateItemsWithFullFileHash(std::vector<FileSystemItem*> items, bool fullHash) {
    m_arrItemsForSeparate = std::move(items);
    m_nCountOfItemsRestToSeparate = 0;
    m_nIndexOfItemsForSeparate = 0;
    m_bUseFullHash = fullHash;
    continueSeparateItems();
}

void FileSeparator::continueSeparateItems() {
    m_nSlotsUsed = 0;
    std::size_t queued = 0;
    while (m_nIndexOfItemsForSeparate < m_arrItemsForSeparate.size() && queued < kBatchSize) {
        FileSystemItem* item = m_arrItemsForSeparate[m_nIndexOfItemsForSeparate++];
        ++m_nCountOfItemsRestToSeparate;
        ++queued;
        addNextItemToSeparate(item, m_bUseFullHash);
    }
    if (queued == 0) notifyListenerAboutFinish();
}

void FileSeparator::addNextItemToSeparate(FileSystemItem* item, bool fullHash) {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) return;
    item->setIsCheckedForDuplicates(true);
    const std::size_t index = m_nSlotsUsed++;
    Slot& slot = m_arrSlots[index];
    slot.item = item;
    // The path is built here, on the queue that owns the tree for now, so that the operation never
    // touches the tree (it may be gone by the time a stopped operation runs).
    slot.path = item->path();
    slot.key.reset();
    slot.size = item->logicalSize() > 0 ? static_cast<std::uint64_t>(item->logicalSize()) : 0;
    slot.fullHash = fullHash;
    slot.needsFullConfirmation = false;
    if (m_nOperationsInFlight++ == 0 && !m_pKeepAlive) m_pKeepAlive = shared_from_this();
    // Two words of capture: kept inside the std::function, no allocation of its own.
    m_pFilterOperationQueue->addOperation([this, index] { calculateHashForItem(index); });
}

// Digests.

void FileSeparator::calculateHashForItem(std::size_t slotIndex) {
    Slot& slot = m_arrSlots[slotIndex];
    if (!m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        if (slot.size == 0) {
            slot.key = keyForEmptyFile(slot.path);
        } else if (slot.fullHash) {
            slot.key = FileDigest::hashforFile(slot.path);
        } else {
            slot.key = FileDigest::hashforFilePartly(slot.path, slot.size, m_nHashBlockSize, m_nHashMaxSize);
            // Only a digest that really left parts of the file out needs confirming; the extension
            // test (and the PNG read) runs here rather than on the serial working queue.
            slot.needsFullConfirmation = slot.key &&
                                         FileDigest::isPartialDigest(slot.size, m_nHashBlockSize, m_nHashMaxSize) &&
                                         (m_bConfirmEveryPartialDigest || isNeedFullHashBuildForPath(slot.path));
        }
    }
    workingQueueRef().async([this, slotIndex] { onHashCalculated(slotIndex); });
}

void FileSeparator::onHashCalculated(std::size_t slotIndex) {
    --m_nOperationsInFlight;
    if (!m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        Slot& slot = m_arrSlots[slotIndex];
        std::optional<std::string> key = std::move(slot.key);
        slot.key.reset();
        if (!m_bUseFullHash && key && slot.needsFullConfirmation) m_arrHashThatNeedToCheckFully.insert(*key);
        saveFileItem(slot.item, std::move(key));
    }
    // Released last: this may be the final reference to the separator.
    std::shared_ptr<FileSeparator> keepAlive;
    if (m_nOperationsInFlight == 0) keepAlive = std::move(m_pKeepAlive);
}

void FileSeparator::saveFileItem(FileSystemItem* item, std::optional<std::string> key) {
    if (m_nCountOfItemsRestToSeparate == 0) return;
    --m_nCountOfItemsRestToSeparate;
    if (key) m_arrItemsByFileContentHash[std::move(*key)].push_back(item);
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed))
        m_nCountOfItemsRestToSeparate = 0;
    else if (m_nCountOfItemsRestToSeparate > 0)
        return;
    if (m_nIndexOfItemsForSeparate >= m_arrItemsForSeparate.size() ||
        m_bIsSeparationCanceled.load(std::memory_order_relaxed))
        notifyListenerAboutFinish();
    else
        continueSeparateItems();
}

void FileSeparator::notifyListenerAboutFinish() {
    if (m_bIsSeparationCanceled.load(std::memory_order_relaxed)) {
        for (FileSystemItem* item : m_arrItemsForSeparate) item->setIsCheckedForDuplicates(false);
        m_arrItemsByFileContentHash.clear();
    } else if (!m_arrHashThatNeedToCheckFully.empty()) {
        std::vector<FileSystemItem*> confirmation;
        for (const std::string& key : m_arrHashThatNeedToCheckFully) {
            auto found = m_arrItemsByFileContentHash.find(key);
            if (found == m_arrItemsByFileContentHash.end() || found->second.size() < 2) continue;
            confirmation.insert(confirmation.end(), found->second.begin(), found->second.end());
            m_arrItemsByFileContentHash.erase(found);
        }
        m_arrHashThatNeedToCheckFully.clear();
        if (!confirmation.empty()) {
            separateItemsWithFullFileHash(std::move(confirmation), true);
            return;
        }
    }
    m_bFinished = true;
    m_arrItemsForSeparate = {};
    FileItemsByHash result = std::move(m_arrItemsByFileContentHash);
    m_arrItemsByFileContentHash = {};
    std::shared_ptr<FileSeparatorListener> listener = m_pListener.lock();
    m_pListener.reset();
    if (listener) listener->onFinishSeparateItemsByHash(std::move(result));
}
