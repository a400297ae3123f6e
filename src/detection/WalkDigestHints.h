// The walk's digest hints from the digest cache: for a file, the entry of the digest the comparison's
// first pass would look for (the sampled digest of the configured block length, or for a file too small
// to sample its whole digest), stored under the stamp the walk saw. Any thread, all at once, but
// giveDeferredHints only once the walk is over.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "detection/ChunkedRecords.h"
#include "detection/DigestCache.h"
#include "scan/FolderScanDigestHints.h"

class WalkDigestHints : public FolderScanDigestHints {
public:
    // `blockLength` as the configuration gives it (FileSeparator::effectiveHashBlockSize applies).
    WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength);

    // Until markCacheRead, a file is kept (with its stamp) to be hinted by giveDeferredHints; after it, the
    // item gets the hint the cache gives at once, or none. A batch is looked up in one go
    // (DigestCache::hintsFor).
    void giveHints(std::span<const DirectoryEntry* const> files, std::span<FileSystemItem* const> items) const override;
    // The hint for a file as the cache answers this moment: none while it is being read or busy.
    std::optional<std::uint64_t> hintFor(const DirectoryEntry& file) const;
    // Called once the cache has been read for this scan.
    void markCacheRead();
    // Hints the files kept until the cache was read, when it has been read by now; otherwise lets them go
    // (the comparison looks such files up itself, as it does any file without a hint). Called once the
    // walk is over and before the comparison starts, while no other thread touches the items.
    void giveDeferredHints();
    std::size_t deferredCount() const;

private:
    struct Deferred {
        FileSystemItem* item;
        DigestCache::Key key;
    };
    DigestCache::Key keyOf(const DirectoryEntry& file) const;

    std::shared_ptr<const DigestCache> m_pCache;
    std::uint64_t m_nBlockLength;
    std::atomic<bool> m_bCacheRead{false};
    mutable std::mutex m_deferredMutex;
    mutable ChunkedRecords<Deferred, 2048> m_arrDeferred;  // guarded by m_deferredMutex
};
