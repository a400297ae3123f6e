// Turns the stream of scanned files into confirmed duplicate groups: buckets files by kind and exact
// size while the walk runs, then hashes the buckets of two or more files, several at a time and in order (one name per file
// with hard links) and adds every set of identical files to the results container. All its work runs on the working queue the scan driver
// gives it; listener calls are posted to the main queue. getCurrentMinimalFileSize() is safe anywhere.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "detection/DuplicatesFilterProgressListener.h"
#include "detection/FileSeparatorListener.h"
#include "detection/FileType.h"

class DigestCache;
class DuplicatesContainer;
class ExcludeChecker;
class FileSeparator;
class FileSystemItem;
class FolderSystemItem;
class SerialQueue;

class DuplicatesFilter : public FileSeparatorListener, public std::enable_shared_from_this<DuplicatesFilter> {
public:
    static constexpr std::uint64_t kAutomaticMinimalSize = ~std::uint64_t{0};
    static constexpr std::uint64_t kLargeFileSize = 1000000;
    // Buckets are handed to one separation together until they hold at least this many files.
    static constexpr std::size_t kFilesPerSeparation = 4096;

    // A minimal size of all ones selects the automatic mode (every size taken, largest buckets first).
    static std::shared_ptr<DuplicatesFilter> create(std::uint64_t minimalFileSize, bool withHeaps,
                                                    std::shared_ptr<ExcludeChecker> excludeChecker);
    ~DuplicatesFilter() override;

    void setWorkingQueue(std::shared_ptr<SerialQueue> queue) { m_pWorkingQueue = std::move(queue); }
    void setListener(std::weak_ptr<DuplicatesFilterProgressListener> listener) { m_pListener = std::move(listener); }
    void setDuplicateContainer(std::shared_ptr<DuplicatesContainer> container);
    // Before filtering: the container keeps what the walk saw of members the cache answered for.
    void keepSeenFiles(bool keep) { m_bKeepSeenFiles = keep; }
    std::shared_ptr<DuplicatesContainer> getContainer() const { return m_pDuplicatesContainer; }

    bool isNeedScanFileItem(FileSystemItem* item, bool includeHidden) const;
    // Puts a taken file into its bucket; answers the bucket's size afterwards, 0 when not taken. The
    // file's kind, worked out for the bucket, is handed back through `type` when the file was taken.
    std::uint64_t addFileItem(FileSystemItem* item, bool markBeforeFilter, bool includeHidden,
                              FileType* type = nullptr);
    static std::string_view generateFileTypeKeyForFileItem(const FileSystemItem* item);
    static std::uint64_t generateFileSizeKeyForFileItem(const FileSystemItem* item);

    void filterDuplicates();
    void stopFilterDuplicates();
    std::uint64_t getCurrentMinimalFileSize() const;
    bool isFilterCanceled() const { return m_bIsFilterCanceled.load(std::memory_order_relaxed); }
    std::int64_t minimalCountOfGroupsCalculatedWhenAutoDefineMinimalFileSize() const {
        return m_nMinimalCountOfGroups;
    }
    // Progress by bytes, read on any thread: the total size of the files to compare, and the part of it
    // in size buckets already compared.
    std::uint64_t bytesToCompare() const { return m_nBytesToCompare.load(std::memory_order_relaxed); }
    std::uint64_t bytesCompared() const { return m_nBytesCompared.load(std::memory_order_relaxed); }
    std::uint64_t possibleDuplicateFoldersSize() const {
        return m_nPossibleDuplicateFoldersSize.load(std::memory_order_relaxed);
    }

    void onFinishSeparateItemsByHash(FileItemsByHash result) override;
    void onFinishSeparateBuckets(std::vector<FileItemsByHash> results) override;

private:
    // Most sizes hold one file only: the first file is kept inline, so such a bucket allocates nothing.
    struct SizeBucket {
        FileSystemItem* first = nullptr;
        std::vector<FileSystemItem*> more;
        std::uint64_t count() const { return (first ? 1 : 0) + more.size(); }
        std::vector<FileSystemItem*> items() const;
    };
    struct Bucket {
        std::uint64_t size;
        std::vector<FileSystemItem*> items;
    };

    DuplicatesFilter() = default;
    void doFilterDuplicates();
    void filterNextPossibleDuplicates();
    // Hands the next buckets to a new separation; false when none is left or the filter was stopped.
    bool startNextSeparation();
    // Keeps one name per file among the bucket's files seen with other names (hard links): the
    // others are set aside in m_otherNames, to join their first name's set after hashing.
    std::vector<FileSystemItem*> setAsideOtherNames(std::vector<FileSystemItem*> items);
    using OtherNames = std::unordered_map<FileSystemItem*, std::vector<FileSystemItem*>>;
    // With `cache`, what the walk saw of the files its hints name is kept in the container.
    void saveHashHeaps(FileItemsByHash& result, const OtherNames& otherNames, const DigestCache* cache);
    void keepSeenFilesOf(const std::vector<FileSystemItem*>& files, const DigestCache& cache);
    void updatePossibleDuplicateFolderInformationByFolder(FolderSystemItem* folder);
    // Tells the listener, in one main-queue task, about the groups found since the last time.
    void notifyListenerAboutFoundGroups();
    void finishFilterDuplicates();
    DuplicatesFilterProgress currentProgress() const;

    // Touched on the working queue only, unless said otherwise.
    std::shared_ptr<SerialQueue> m_pWorkingQueue;
    std::array<std::unordered_map<std::uint64_t, SizeBucket>, kFileTypeCount + 1> m_arrPossibleDuplicates;  // [type + 1]
    std::vector<Bucket> m_arrPossibleDuplicatesKeys;  // the buckets to hash, in processing order
    std::int64_t m_nCurrentFilterIndexInKeys = -1;  // the last bucket handed to a separation
    std::int64_t m_nRunFirstIndex = 0;               // the first bucket of the separation running
    std::shared_ptr<DuplicatesContainer> m_pDuplicatesContainer;
    std::weak_ptr<DuplicatesFilterProgressListener> m_pListener;
    bool m_bAutoDefineMinimalFileSize = false;
    std::uint64_t m_nMinimalDuplicatesFileSize = 0;
    std::atomic<std::uint64_t> m_nCurrentMinimalDuplicatesFileSize{~std::uint64_t{0}};  // read by the driver
    std::shared_ptr<FileSeparator> m_pFileSeparator;
    // The buckets being hashed: further names of a file, by the name that is hashed for them.
    OtherNames m_otherNames;
    std::atomic<std::uint64_t> m_nPossibleDuplicateFoldersSize{0};  // read on the main queue
    std::unordered_map<std::string, std::uint64_t> m_arrPossibleDuplicateFolders;
    std::unordered_set<const FolderSystemItem*> m_arrPossibleDuplicateFoldersContainer;
    std::atomic<std::uint64_t> m_nBytesToCompare{0};
    std::atomic<std::uint64_t> m_nBytesCompared{0};
    std::uint64_t m_nBytesOfCurrentBucket = 0;  // of the run being separated; working queue only
    std::atomic<bool> m_bIsFilterCanceled{false};  // read by the driver for the final minimal size
    std::int64_t m_nMinimalCountOfGroups = 0;
    bool m_bFinished = false;
    bool m_bKeepSeenFiles = false;
    struct FoundGroup {
        std::int32_t count;
        std::uint64_t eachSize;
        FileType type;
    };
    std::vector<FoundGroup> m_arrFoundGroups;  // since the last notice to the listener
};
