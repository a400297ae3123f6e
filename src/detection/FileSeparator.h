// Splits files already known to share size and kind into sets of identical content by MD5 digests:
// a partial digest (start, end, middle) first, confirmed by whole-file digests for kinds where a
// change can hide between the regions; a file whose stamp the digest cache knows is not read.
// separateItems and stop may be called from any thread; all state lives on the process-wide serial
// queue "fileseparator.working", where the listener is called.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "detection/DigestCache.h"
#include "detection/FileSeparatorListener.h"
#include "platform/FileReader.h"

class FileSystemItem;
class MultiFileDigest;
class SerialQueue;

class FileSeparator : public std::enable_shared_from_this<FileSeparator> {
public:
    static constexpr std::uint64_t kDefaultHashBlockSize = 8192;
    // A configured block length outside these bounds is replaced by kDefaultHashBlockSize: below
    // 512 bytes the three regions say too little about a file (at 0 every file of a size would get
    // the same digest), above 64 MiB a "partial" digest reads 192 MiB per file.
    static constexpr std::uint64_t kMinimalHashBlockSize = 512;
    static constexpr std::uint64_t kMaximalHashBlockSize = 64ull * 1024 * 1024;
    static constexpr int kMaxConcurrentDigests = 4;
    static constexpr std::string_view kEmptyFileKeySuffix = ":#filename#";

    static std::shared_ptr<FileSeparator> create();
    ~FileSeparator();
    FileSeparator(const FileSeparator&) = delete;
    FileSeparator& operator=(const FileSeparator&) = delete;

    // Whether separations started from now on confirm every sampled digest that two files share by
    // whole-file digests (the full-scale scan), whatever the kind. The scan driver sets it at the
    // start of every scan.
    static void setUseForcedFullHashCalculation(bool useFullHash);
    static bool useForcedFullHashCalculation();
    // The digest cache separations started from now on use (loaded at their start) and add to, or none.
    // The scan driver sets it at the start of every scan.
    static void setDigestCache(std::shared_ptr<DigestCache> cache);
    static std::shared_ptr<DigestCache> digestCache();
    // The serial queue "fileseparator.working", created on first use and kept for the process's life.
    static std::shared_ptr<SerialQueue> workingQueue();
    // The block length a separation uses for the configured one (see the bounds above).
    static std::uint64_t effectiveHashBlockSize(std::uint64_t configured);
    // The kind of digest a separation's first pass takes of a file of this size, with an effective block
    // length: sampled (the kind is the block length) for a file above kSampledAboveBlocks blocks, else
    // whole (DigestCache::kWholeFile). The walk's digest hints look for this kind.
    static constexpr std::uint64_t kSampledAboveBlocks = 3;
    static std::uint64_t firstPassKind(std::uint64_t size, std::uint64_t blockLength);

    // Starts the one separation this separator serves; a second call does nothing. The files must
    // stay alive until the listener has been called (or the separator has been stopped).
    void separateItems(std::vector<FileSystemItem*> items, std::weak_ptr<FileSeparatorListener> listener);
    // The same for several independent lists at once (files of one list are only compared with each
    // other): their digests are handed to the workers together, and the listener hears once, through
    // onFinishSeparateBuckets, with one result per list in the order given.
    void separateBuckets(std::vector<std::vector<FileSystemItem*>> buckets,
                         std::weak_ptr<FileSeparatorListener> listener);
    // Cancels the separation: the listener gets an empty result (once) and the files of the current
    // pass lose their checked-for-duplicates mark. Digests that arrive afterwards are dropped.
    void stop();
    // The same for a caller already on the working queue: the stop takes effect at once, so a pass whose
    // workers report back after this call is dropped, whatever the timing.
    void stopOnWorkingQueue();

    // Whether sets found by a partial digest of this file must be confirmed by whole-file digests:
    // by the extension (any case), and for ".png" by isNeedFullCheckPNGAtPath. Any thread.
    static bool isNeedFullHashBuildForPath(const std::string& path);
    // Whether the first IDAT chunk of the PNG file starts a zlib stream of the fastest level (78 01)
    // whose first block is stored or fixed-Huffman. Not a PNG or unreadable: false. Any thread.
    static bool isNeedFullCheckPNGAtPath(const std::string& path);
    // The key of an empty file: its file name followed by ":#filename#".
    static std::string keyForEmptyFile(std::string_view path);

private:
    FileSeparator();

    // One file of a pass. Written on the working queue before the pass is handed to the workers, then
    // each job by the one worker that claimed its run (m_nNextRun), and read back on the working queue once
    // the last worker has reported: the atomic hand-offs order these accesses.
    struct Job {
        FileSystemItem* item = nullptr;
        std::string name;  // the file's name in its folder, or its whole path when it has no folder
        std::optional<SetKey> key;
        std::uint64_t size = 0;
        std::uint32_t folder = kNoFolder;  // index into m_arrFolderPaths
        std::uint32_t bucket = 0;
        bool needsFullConfirmation = false;
        bool readFailed = false;  // opened or read in vain (a stop is no failure)
        enum class Cached : std::uint8_t { No, Found, New } cached = Cached::No;
        DigestCache::Entry cacheEntry;  // Found: the entry used; New: the entry to store
    };
    static constexpr std::uint32_t kNoFolder = ~std::uint32_t{0};
    // A worker's unit: consecutive jobs (in m_arrJobOrder) of one folder, which is opened once for them.
    struct Run {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
    };
    static constexpr std::uint32_t kMaxJobsPerRun = 64;

    static SerialQueue& workingQueueRef();

    // Working queue.
    void startSeparation(std::vector<std::vector<FileSystemItem*>> buckets,
                         std::weak_ptr<FileSeparatorListener> listener, bool single);
    void startPass(bool fullHash);
    void onPassFinished();
    void notifyListenerAboutFinish();
    // Workers: claim jobs until none is left; the last worker to run dry reports the pass back. Each
    // worker hands the files it opens to its own MultiFileDigest (`lanes`), which digests up to its lane
    // count of them at once, whole or sampled.
    void digestJobs();
    void digestRun(const Run& run, MultiFileDigest& lanes);
    // `folder` is open on the job's folder, or not open: the file is then opened by its whole path.
    void calculateHashForJob(std::uint32_t index, const FileReader::Folder& folder, MultiFileDigest& lanes);
    // Whether this pass digests the job's file by samples (else whole).
    bool isSampled(const Job& job) const;
    const std::string* folderPathOf(const Job& job) const;
    // A file's key when the pass knows it without reading: an empty file's, or the digest the walk's hint
    // names (when it still names one; only what the entry holds decides, the file is not looked at).
    struct Answer {
        enum class State : std::uint8_t { None, EmptyFile, Digest } state = State::None;
        bool needsFullConfirmation = false;
        DigestCache::Digest digest{};
    };
    // Working queue, as a pass is made. A cache entry it answers with and that was not used today yet
    // goes to m_arrUsedEntries.
    bool answerWithoutReading(const FileSystemItem& item, Answer& answer);
    static SetKey keyOf(const FileSystemItem& item, const Answer& answer);
    // Puts an answered file in its set (and among the digests to confirm, when its answer says so).
    void fileAnswer(std::uint32_t bucket, FileSystemItem* item, const Answer& answer);
    // After a pass's files are in their sets: starts the confirmation pass, or reports the result.
    void finishPass();
    // Marks the job's digest for the cache when the file's stamp at open allows it.
    void keepDigest(Job& job, const FileStamp& stamp, std::uint64_t kind, std::uint32_t flags) const;
    // Whether the sets of this sampled digest must be confirmed by whole-file digests; `flags` holds
    // the PNG check's answer when known, and gets it when the check runs.
    bool needsWholeDigest(std::string_view path, std::uint32_t& flags) const;

    static std::atomic<bool> s_bUseForcedFullHash;  // atomic: set by the scan driver's thread, read on the working queue

    // Set on the working queue; atomic because queued digest operations read it and skip their
    // file once the separation is cancelled.
    std::atomic<bool> m_bIsSeparationCanceled{false};

    // Everything below: working queue only (the jobs excepted, see Job).
    std::weak_ptr<FileSeparatorListener> m_pListener;
    bool m_bSingle = true;  // started by separateItems: the listener hears onFinishSeparateItemsByHash
    // The lists of the current pass (their files are the jobs), their results so far, and per list the
    // partial digests that must be confirmed by whole-file digests.
    std::vector<std::vector<FileSystemItem*>> m_arrBuckets;
    std::vector<FileItemsByHash> m_arrResults;
    std::vector<std::unordered_set<SetKey>> m_arrHashThatNeedToCheckFully;
    bool m_bUseFullHash = false;  // set before a pass is handed over; read by the workers
    // A full-scale scan: every sampled digest shared by two files is confirmed by whole-file digests.
    // Set before the first pass is handed over; read by the workers.
    bool m_bConfirmEveryPartialDigest = false;
    std::uint64_t m_nHashBlockSize = kDefaultHashBlockSize;  // set before the first pass is handed over
    std::uint64_t m_nHashMaxSize = kSampledAboveBlocks * kDefaultHashBlockSize;
    // The pass's read pieces: no longer than its longest read, so that the workers' lane buffers (a piece
    // per lane) stay small when every read is (the default pass's samples, the heap search's small files).
    std::size_t m_nPieceSize = 0;
    // The digest cache of this separation, or none; and the newest change time (ns since the epoch) a
    // file may have for its digest to be stored: a file changed in the last moments before its pass may
    // change again within the same tick of the clock without its stamp showing it.
    std::shared_ptr<DigestCache> m_pCache;
    std::int64_t m_nNewestCacheableChangeNs = 0;  // set before a pass is handed over
    bool m_bCacheHadEntries = false;              // set before a pass is handed over
    std::vector<Job> m_arrJobs;                // in the order of the lists
    std::vector<DigestCache::Key> m_arrUsedEntries;  // the entries answered with, to mark used at the pass's end
    std::vector<std::string> m_arrFolderPaths;  // the folders of the pass's files, each path built once
    std::vector<std::uint32_t> m_arrJobOrder;   // the jobs sorted by folder
    std::vector<Run> m_arrRuns;
    std::atomic<std::size_t> m_nNextRun{0};
    std::atomic<int> m_nWorkersRunning{0};
    // A pass is with the workers: its jobs stay untouched until it reports back, stopped or not.
    bool m_bPassInFlight = false;
    bool m_bStarted = false;
    bool m_bFinished = false;
};
