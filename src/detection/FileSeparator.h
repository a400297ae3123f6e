// Splits files already known to share size and kind into sets of identical content by MD5 digests:
// a partial digest (start, end, middle) first, confirmed by whole-file digests for kinds where a
// change can hide between the regions. separateItems and stop may be called from any thread; all
// state lives on the process-wide serial queue "fileseparator.working", where the listener is called.
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

#include "detection/FileSeparatorListener.h"

class FileSystemItem;
class OperationQueue;
class SerialQueue;

class FileSeparator : public std::enable_shared_from_this<FileSeparator> {
public:
    static constexpr std::uint64_t kDefaultHashBlockSize = 8192;
    // A configured block length outside these bounds is replaced by kDefaultHashBlockSize: below
    // 512 bytes the three regions say too little about a file (at 0 every file of a size would get
    // the same digest), above 64 MiB a "partial" digest reads 192 MiB per file.
    static constexpr std::uint64_t kMinimalHashBlockSize = 512;
    static constexpr std::uint64_t kMaximalHashBlockSize = 64ull * 1024 * 1024;
    static constexpr std::size_t kBatchSize = 10;
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
    // The serial queue "fileseparator.working", created on first use and kept for the process's life.
    static std::shared_ptr<SerialQueue> workingQueue();
    // The block length a separation uses for the configured one (see the bounds above).
    static std::uint64_t effectiveHashBlockSize(std::uint64_t configured);

    // Starts the one separation this separator serves; a second call does nothing. The files must
    // stay alive until the listener has been called (or the separator has been stopped).
    void separateItems(std::vector<FileSystemItem*> items, std::weak_ptr<FileSeparatorListener> listener);
    // Cancels the separation: the listener gets an empty result (once) and the files of the current
    // pass lose their checked-for-duplicates mark. Digests that arrive afterwards are dropped.
    void stop();

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

    // One file in flight. Written by the working queue when the file is queued, by the digest
    // operation while it runs, and read back on the working queue when the operation reports; the
    // queues' hand-offs order these accesses. A slot is reused only by the next batch, which starts
    // after every file of this one has reported.
    struct Slot {
        FileSystemItem* item = nullptr;
        std::string path;
        std::optional<std::string> key;
        std::uint64_t size = 0;
        bool fullHash = false;
        bool needsFullConfirmation = false;
    };

    static SerialQueue& workingQueueRef();

    // Working queue.
    void startSeparation(std::vector<FileSystemItem*> items, std::weak_ptr<FileSeparatorListener> listener);
    void stopOnWorkingQueue();
    void separateItemsWithFullFileHash(std::vector<FileSystemItem*> items, bool fullHash);
    void continueSeparateItems();
    void addNextItemToSeparate(FileSystemItem* item, bool fullHash);
    void onHashCalculated(std::size_t slotIndex);
    void saveFileItem(FileSystemItem* item, std::optional<std::string> key);
    void notifyListenerAboutFinish();
    // Operation queue.
    void calculateHashForItem(std::size_t slotIndex);

    static std::atomic<bool> s_bUseForcedFullHash;  // atomic: set by the scan driver's thread, read on the working queue

    // Set on the working queue; atomic because queued digest operations read it and skip their
    // file once the separation is cancelled.
    std::atomic<bool> m_bIsSeparationCanceled{false};

    // Everything below: working queue only (the slots excepted, see Slot).
    std::weak_ptr<FileSeparatorListener> m_pListener;
    std::uint64_t m_nCountOfItemsRestToSeparate = 0;
    std::vector<FileSystemItem*> m_arrItemsForSeparate;
    std::size_t m_nIndexOfItemsForSeparate = 0;
    bool m_bUseFullHash = false;
    // A full-scale scan: every sampled digest shared by two files is confirmed by whole-file digests.
    // Set before the first operation is queued; read by the operations.
    bool m_bConfirmEveryPartialDigest = false;
    FileItemsByHash m_arrItemsByFileContentHash;
    std::unordered_set<std::string> m_arrHashThatNeedToCheckFully;
    std::unique_ptr<OperationQueue> m_pFilterOperationQueue;
    std::uint64_t m_nHashBlockSize = kDefaultHashBlockSize;  // set before the first operation is queued
    std::uint64_t m_nHashMaxSize = 3 * kDefaultHashBlockSize;
    std::array<Slot, kBatchSize> m_arrSlots;
    std::size_t m_nSlotsUsed = 0;
    // Digest operations queued and not yet reported back (cancelled ones included): while any is,
    // the separator keeps itself alive, since the operations refer to it.
    std::size_t m_nOperationsInFlight = 0;
    std::shared_ptr<FileSeparator> m_pKeepAlive;
    bool m_bStarted = false;
    bool m_bFinished = false;
};
