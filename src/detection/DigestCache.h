// The digests of earlier scans, kept in one file so that a rescan reads only the files that changed.
// An entry is found only when the file's stamp (device, inode, size, modification and change time in
// ns) and the kind of digest (whole file, or the samples of one block length) all match. find() may run
// on any number of threads at once; load, update and save may be called from any thread and exclude
// each other and find(). Removal never asks this cache anything: it compares the bytes themselves.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "detection/ChunkedRecords.h"
#include "platform/FileReader.h"
#include "platform/ScratchFile.h"
#include "platform/Status.h"

class DigestCache {
public:
    static constexpr std::uint64_t kDefaultMaxBytes = 64ull * 1024 * 1024;
    // Entries no scan has used for this long are left out when the file is written again.
    static constexpr std::uint32_t kForgetAfterDays = 90;
    static constexpr std::uint64_t kWholeFile = 0;
    // A digest is stored only when the file's change time is at least this much older than the start of
    // the pass that read it: the clock behind file times moves in ticks, and a file written again within
    // the tick it was read in would keep its stamp.
    static constexpr std::int64_t kRecentChangeWindowNs = 2'000'000'000;

    struct Key {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modificationNs = 0;
        std::int64_t changeNs = 0;
        std::uint64_t kind = kWholeFile;  // kWholeFile, or the block length of a sampled digest

        static Key of(const FileStamp& stamp, std::uint64_t kind) {
            return {stamp.device, stamp.inode, stamp.size, stamp.modificationNs, stamp.changeNs, kind};
        }
        bool operator==(const Key&) const = default;
    };
    using Digest = std::array<std::uint8_t, 16>;
    // What a file's content said beyond its digest, kept with a sampled digest: whether the PNG check
    // (FileSeparator::isNeedFullCheckPNGAtPath) ran, and its answer.
    enum Flags : std::uint32_t { kPngChecked = 1, kPngNeedsWholeDigest = 2, kKnownFlags = 3 };
    struct Entry {
        Key key;
        Digest digest{};
        std::uint32_t flags = 0;
        bool usedToday = false;  // as found: marking it used again changes nothing
    };

    // The cache of $XDG_CACHE_HOME/dorvane/digests (~/.cache/dorvane/digests), one per process and path.
    static std::shared_ptr<DigestCache> forUser();
    explicit DigestCache(std::string path, std::uint64_t maxBytes = kDefaultMaxBytes,
                         std::int64_t recentChangeWindowNs = kRecentChangeWindowNs);
    DigestCache(const DigestCache&) = delete;
    DigestCache& operator=(const DigestCache&) = delete;

    const std::string& path() const { return m_path; }
    std::int64_t recentChangeWindowNs() const { return m_nRecentChangeWindowNs; }

    // Reads the file the first time; later calls do nothing. A missing file is an empty cache; a file
    // that is damaged in any way (wrong size, checksum, values) is not used at all, and says so once
    // through takeWarning().
    void load();
    // As load(), and reads the file again after unload(): called as each scan begins.
    void loadForScan();
    std::optional<Entry> find(const Key& key) const;
    // For the walk: a number naming the entry stored under exactly this key, when the cache is loaded and
    // not busy this moment (it never waits). It names that entry until the entries are next read,
    // written, let go or grown; entryForHint then answers nothing and the caller looks the file up again.
    std::optional<std::uint64_t> hintFor(const Key& key) const;
    // As hintFor for each of `count` keys, under one look at the lock: each key's index slot, and then
    // its record, is asked of memory for the whole batch before any is compared, so that their cache
    // and TLB misses overlap instead of following one another (the index and records are megabytes,
    // met in no order).
    void hintsFor(const Key* keys, std::size_t count, std::optional<std::uint64_t>* hints) const;
    // The entry a hint names, when it still names one of this size and kind.
    std::optional<Entry> entryForHint(std::uint64_t hint, std::uint64_t size, std::uint64_t kind) const;
    // The key a hint names (the file's stamp as the walk saw it, whatever the kind), while it names one.
    std::optional<Key> keyForHint(std::uint64_t hint) const;
    // Stores new digests (an entry for the same file and kind with another stamp is replaced: the file
    // changed) and marks the entries found for them as used today. New digests wait in a scratch file
    // beside the cache's file, not in memory, and are found only once the file is written and read
    // again (within one scan no file is digested twice). When no scratch file can be made there, they
    // are dropped with one warning: the file could not be written either.
    void update(const std::vector<Entry>& fresh, const std::vector<Key>& used);
    // Writes the file when anything changed since it was read: unused entries are forgotten, and while
    // the file would exceed the bound the least recently used go first. The bytes go to a new file that
    // then replaces the old one in one step, so a scan running at the same time in another process reads
    // either file whole; when two write, the last one's entries stay. Then lets the entries go, as
    // unload() does. A failure says so through takeWarning() too, and keeps every entry for the next try.
    Status save();
    // Lets the entries go when the file holds them all (nothing changed since it was read or written), so
    // that they take no memory between scans. Until loadForScan() reads the file again, find() answers
    // nothing, hasEntriesFromEarlierScans() is false, and update() reads the file back before it stores
    // anything, so that no entry is lost. Otherwise does nothing.
    void unload();
    // As unload(), and the next load() reads the file again, not only the next loadForScan(): for the end
    // of a rescan's comparison, whose heap search may still look entries up (and seldom does).
    void unloadUntilNeeded();

    // The warning not yet shown, if any (each one is given once).
    std::optional<std::string> takeWarning();
    // The entries held: those read from the file, and those stored since and not yet written.
    std::size_t size() const;
    // Whether the cache held entries when it was read or last written: only then can a look-up find
    // anything (within one scan, no file is digested twice), so a first scan does not look at all.
    bool hasEntriesFromEarlierScans() const { return m_bHasEarlierEntries.load(std::memory_order_relaxed); }

    // The bytes of a digest written as 32 lower-case hexadecimal digits (SetKey::ofDigest writes them).
    static std::optional<Digest> digestFromHex(std::string_view hex);

    // The day stamp entries are marked with (days since the epoch); tests move it.
    static void setTodayForTesting(std::optional<std::uint32_t> day);

private:
    // One entry as the file holds it (native byte order: the cache never leaves this machine).
    struct Record {
        std::uint64_t device;
        std::uint64_t inode;
        std::uint64_t size;
        std::int64_t modificationNs;
        std::int64_t changeNs;
        std::uint64_t kind;
        Digest digest;
        std::uint32_t lastUsedDay;
        std::uint32_t flags;
    };
    static_assert(sizeof(Record) == 72);

    // Kept in memory only, on an entry read from the file whose file has been digested again since.
    static constexpr std::uint32_t kSuperseded = 1u << 31;

    void loadLocked();
    void reloadLocked();
    void discard(const std::string& why);
    void unloadLocked();
    // New records go to the scratch file until the file is written; a failure drops them, and the
    // records that come after them, with one warning.
    void spillLocked(std::string_view records);
    Status forEachSpilledLocked(const std::function<void(const Record&)>& visit) const;
    Status failedSave(const Status& status);
    // The hash of a file and a kind of digest: the index's slots, and the repeated keys of a write.
    static std::uint64_t fileAndKindOf(std::uint64_t device, std::uint64_t inode, std::uint64_t kind);
    std::uint32_t slotOf(const Key& key) const;  // the index slot of the key's file and kind (maybe empty)
    std::uint32_t slotFrom(const Key& key, std::size_t home) const;  // as slotOf, probing from `home`
    std::optional<std::uint64_t> hintAt(const Key& key, std::uint32_t slot) const;  // the lock held
    // Index room for `capacity` records at least (at most half of the slots taken); false when a file
    // and kind has more than one record (the first is the one indexed).
    bool rebuildIndex(std::size_t capacity = 0);
    static std::uint32_t today();

    const std::string m_path;
    const std::uint64_t m_nMaxBytes;
    const std::int64_t m_nRecentChangeWindowNs;
    mutable std::shared_mutex m_mutex;
    std::atomic<bool> m_bHasEarlierEntries{false};
    // Everything below is guarded by m_mutex.
    bool m_bLoaded = false;
    bool m_bUnloaded = false;  // by unload(): the file holds every entry, the memory none
    bool m_bChanged = false;
    ChunkedRecords<Record> m_arrRecords;
    std::vector<std::uint32_t> m_arrIndex;  // open addressing by device, inode and kind: record + 1, 0 empty
    std::unique_ptr<ScratchFile> m_pSpill;  // the records stored since the file was read or written
    std::uint64_t m_nSpilled = 0;
    bool m_bSpillFailed = false;
    std::uint32_t m_nGeneration = 0;  // counts the index rebuilds: records may have moved (see hintFor)
    std::optional<std::string> m_warning;
};
