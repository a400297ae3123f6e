#include "detection/DigestCache.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "detection/FileSeparator.h"
#include "platform/FileContents.h"
#include "platform/ScratchFile.h"
#include "platform/UserPaths.h"

namespace {
// The file: this header, then `count` records of 72 bytes. The checksum covers the records.
struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t recordSize;
    std::uint64_t count;
    std::uint64_t checksum;
};
static_assert(sizeof(Header) == 32);
constexpr char kMagic[8] = {'D', 'O', 'R', 'V', 'D', 'G', 'S', 'T'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kMinimalIndexSize = 64;
// A hint is the generation above the record number: 30 bits of it keep every hint below 2^62, within
// what an item can hold (FileSystemItem::kLargestDigestHint).
constexpr std::uint32_t kHintGenerationMask = (1u << 30) - 1;

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xBF58476D1CE4E5B9ull;
    value ^= value >> 27;
    value *= 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// Catches damage, not attacks: every 8 bytes folded into a running mix. Fed in pieces whose sizes are
// multiples of 8 but for the last.
class Checksum {
public:
    explicit Checksum(std::size_t size) : m_nSum(0x6A09E667F3BCC908ull ^ size) {}
    void add(std::string_view bytes) {
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            m_nSum = mix(m_nSum ^ word) + 0x9E3779B97F4A7C15ull;
        }
        for (; i < bytes.size(); ++i) m_nSum = mix(m_nSum ^ static_cast<unsigned char>(bytes[i]));
    }
    std::uint64_t value() const { return m_nSum; }

private:
    std::uint64_t m_nSum;
};

std::uint64_t checksumOf(const std::vector<std::string_view>& pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    Checksum sum(size);
    for (std::string_view piece : pieces) sum.add(piece);
    return sum.value();
}

std::atomic<std::int64_t> g_todayForTesting{-1};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, std::max<std::size_t>(slash, 1));
}
}  // namespace

std::shared_ptr<DigestCache> DigestCache::forUser() {
    static std::mutex mutex;
    static std::shared_ptr<DigestCache>* current = new std::shared_ptr<DigestCache>();  // never destroyed
    const std::string path = user_paths::digestCacheFile();
    std::lock_guard lock(mutex);
    if (!*current || (*current)->path() != path) *current = std::make_shared<DigestCache>(path);
    return *current;
}

DigestCache::DigestCache(std::string path, std::uint64_t maxBytes, std::int64_t recentChangeWindowNs)
    : m_path(std::move(path)),
      m_nMaxBytes(maxBytes),
      m_nRecentChangeWindowNs(recentChangeWindowNs),
      m_arrIndex(kMinimalIndexSize, 0) {}

void DigestCache::setTodayForTesting(std::optional<std::uint32_t> day) {
    g_todayForTesting.store(day ? static_cast<std::int64_t>(*day) : -1, std::memory_order_relaxed);
}

std::uint32_t DigestCache::today() {
    const std::int64_t forced = g_todayForTesting.load(std::memory_order_relaxed);
    if (forced >= 0) return static_cast<std::uint32_t>(forced);
    const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()).time_since_epoch();
    return static_cast<std::uint32_t>(std::max<std::int64_t>(0, days.count()));
}

std::optional<DigestCache::Digest> DigestCache::digestFromHex(std::string_view hex) {
    if (hex.size() != 32) return std::nullopt;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = value(hex[2 * i]), low = value(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return digest;
}

// Loading.

void DigestCache::load() {
    std::unique_lock lock(m_mutex);
    if (m_bLoaded) return;
    m_bLoaded = true;
    reloadLocked();
}

void DigestCache::loadForScan() {
    std::unique_lock lock(m_mutex);
    if (m_bLoaded && !m_bUnloaded) return;
    m_bLoaded = true;
    reloadLocked();
}

void DigestCache::reloadLocked() {
    m_bUnloaded = false;
    loadLocked();
    m_bHasEarlierEntries.store(!m_arrRecords.empty(), std::memory_order_relaxed);
}

void DigestCache::discard(const std::string& why) {
    m_arrRecords.clear();
    rebuildIndex();
    m_bChanged = true;  // the next save replaces the file
    m_warning = "the digest cache " + m_path + " " + why + ": it is not used, every file is read, and it is written anew";
}

void DigestCache::loadLocked() {
    std::string bytes;
    // Room for a cache written with a larger bound; beyond that it cannot be one of ours.
    const std::uint64_t limit = 2 * std::max(m_nMaxBytes, kDefaultMaxBytes) + sizeof(Header);
    const Status status = file_contents::readRegularFile(m_path, limit, bytes);
    if (status.code() == StatusCode::NotFound) return;
    if (status.code() == StatusCode::TooLarge) return discard("is larger than any digest cache");
    if (!status) return discard("could not be read (" + status.message() + ")");

    Header header{};
    if (bytes.size() < sizeof header) return discard("is damaged (shorter than its header)");
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0) return discard("is damaged (not a digest cache)");
    if (header.version != kVersion || header.recordSize != sizeof(Record))
        return discard("was written in another format");
    const std::size_t recordBytes = bytes.size() - sizeof header;
    if (recordBytes % sizeof(Record) != 0 || recordBytes / sizeof(Record) != header.count)
        return discard("is damaged (cut short or grown)");
    if (checksumOf({std::string_view(bytes).substr(sizeof header)}) != header.checksum)
        return discard("is damaged (its checksum does not match)");

    m_arrRecords.clear();
    m_arrRecords.append(bytes.data() + sizeof header, header.count);
    bytes = {};
    for (std::size_t i = 0; i < m_arrRecords.size(); ++i)
        if (const Record& r = m_arrRecords[i];
            (r.kind != kWholeFile && (r.kind < FileSeparator::kMinimalHashBlockSize ||
                                      r.kind > FileSeparator::kMaximalHashBlockSize)) ||
            (r.flags & ~std::uint32_t{kKnownFlags}) != 0)
            return discard("is damaged (an entry holds impossible values)");
    // Each file and kind once: a file that says otherwise was not written by this cache.
    if (!rebuildIndex()) return discard("is damaged (an entry is repeated)");
}

// The index.

std::uint64_t DigestCache::fileAndKindOf(std::uint64_t device, std::uint64_t inode, std::uint64_t kind) {
    return mix(device * 0x9E3779B97F4A7C15ull ^ mix(inode) ^ (kind << 1));
}

std::uint32_t DigestCache::slotOf(const Key& key) const {
    return slotFrom(key, fileAndKindOf(key.device, key.inode, key.kind));
}

std::uint32_t DigestCache::slotFrom(const Key& key, std::size_t home) const {
    const std::size_t mask = m_arrIndex.size() - 1;
    std::size_t slot = home & mask;
    for (;;) {
        const std::uint32_t entry = m_arrIndex[slot];
        if (entry == 0) return static_cast<std::uint32_t>(slot);
        const Record& r = m_arrRecords[entry - 1];
        if (r.device == key.device && r.inode == key.inode && r.kind == key.kind) return static_cast<std::uint32_t>(slot);
        slot = (slot + 1) & mask;
    }
}

bool DigestCache::rebuildIndex(std::size_t capacity) {
    std::size_t size = kMinimalIndexSize;
    while (size < 2 * std::max(capacity, m_arrRecords.size()) + 2) size *= 2;
    m_arrIndex.assign(size, 0);
    m_nGeneration = (m_nGeneration + 1) & kHintGenerationMask;
    bool eachOnce = true;
    for (std::size_t i = 0; i < m_arrRecords.size(); ++i) {
        const Record& r = m_arrRecords[i];
        const std::uint32_t slot = slotOf({r.device, r.inode, 0, 0, 0, r.kind});
        // A repeated file and kind keeps its first record in the index.
        if (m_arrIndex[slot] == 0) m_arrIndex[slot] = static_cast<std::uint32_t>(i + 1);
        else eachOnce = false;
    }
    return eachOnce;
}

// Use.

std::optional<DigestCache::Entry> DigestCache::find(const Key& key) const {
    std::shared_lock lock(m_mutex);
    const std::uint32_t entry = m_arrIndex[slotOf(key)];
    if (entry == 0) return std::nullopt;
    const Record& r = m_arrRecords[entry - 1];
    if (r.size != key.size || r.modificationNs != key.modificationNs || r.changeNs != key.changeNs) return std::nullopt;
    return Entry{key, r.digest, r.flags & kKnownFlags, r.lastUsedDay == today()};
}

void DigestCache::update(const std::vector<Entry>& fresh, const std::vector<Key>& used) {
    if (fresh.empty() && used.empty()) return;
    const std::uint32_t day = today();
    std::unique_lock lock(m_mutex);
    if (m_bUnloaded) reloadLocked();
    std::string spilled;
    spilled.reserve(fresh.size() * sizeof(Record));
    for (const Entry& e : fresh) {
        const Record record{e.key.device, e.key.inode, e.key.size, e.key.modificationNs, e.key.changeNs,
                            e.key.kind, e.digest, day, e.flags};
        spilled.append(reinterpret_cast<const char*>(&record), sizeof record);
        // The file changed since: its old digest goes when the file is written.
        if (const std::uint32_t entry = m_arrIndex[slotOf(e.key)]; entry != 0) m_arrRecords[entry - 1].flags |= kSuperseded;
    }
    if (!spilled.empty()) spillLocked(spilled);
    for (const Key& key : used) {
        const std::uint32_t entry = m_arrIndex[slotOf(key)];
        if (entry == 0) continue;
        Record& r = m_arrRecords[entry - 1];
        if (r.size != key.size || r.modificationNs != key.modificationNs || r.changeNs != key.changeNs) continue;
        if (r.lastUsedDay == day) continue;
        r.lastUsedDay = day;
        m_bChanged = true;
    }
}

void DigestCache::spillLocked(std::string_view records) {
    if (m_bSpillFailed) return;
    Status status = Status::ok();
    if (!m_pSpill) {
        const std::string folder = folderOf(m_path);
        status = file_contents::createFolders(folder);
        if (status) status = ScratchFile::create(folder, m_pSpill);
    }
    if (status) status = m_pSpill->append(records);
    if (status) {
        m_nSpilled += records.size() / sizeof(Record);
        m_bChanged = true;
        return;
    }
    // A part of the records may have been written: nothing more goes after them.
    m_bSpillFailed = true;
    (void)failedSave(status);
}

Status DigestCache::forEachSpilledLocked(const std::function<void(const Record&)>& visit) const {
    constexpr std::size_t kPiece = 910 * sizeof(Record);  // about 64 KiB
    std::string piece(kPiece, '\0');
    const std::uint64_t total = m_nSpilled * sizeof(Record);
    for (std::uint64_t offset = 0; offset < total;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, total - offset));
        std::size_t got = 0;
        if (const Status status = m_pSpill->read(offset, piece.data(), want, got); !status) return status;
        if (got != want) return Status::fromErrno(EIO, m_path);  // the scratch file lost bytes
        for (std::size_t at = 0; at < got; at += sizeof(Record)) {
            Record record;
            std::memcpy(&record, piece.data() + at, sizeof record);
            visit(record);
        }
        offset += got;
    }
    return Status::ok();
}

std::optional<std::uint64_t> DigestCache::hintFor(const Key& key) const {
    std::shared_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || m_arrRecords.empty()) return std::nullopt;
    return hintAt(key, slotOf(key));
}

void DigestCache::hintsFor(const Key* keys, std::size_t count, std::optional<std::uint64_t>* hints) const {
    std::fill(hints, hints + count, std::nullopt);
    std::shared_lock lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || m_arrRecords.empty()) return;
    const std::size_t mask = m_arrIndex.size() - 1;
    constexpr std::size_t kWindow = 32;  // slots asked for at once; far fewer than the lines a core keeps
    std::size_t homes[kWindow];
    for (std::size_t from = 0; from < count; from += kWindow) {
        const std::size_t n = std::min(kWindow, count - from);
        for (std::size_t i = 0; i < n; ++i) {
            const Key& key = keys[from + i];
            homes[i] = fileAndKindOf(key.device, key.inode, key.kind) & mask;
            __builtin_prefetch(&m_arrIndex[homes[i]]);
        }
        for (std::size_t i = 0; i < n; ++i)
            if (const std::uint32_t entry = m_arrIndex[homes[i]]; entry != 0) {
                const char* record = reinterpret_cast<const char*>(&m_arrRecords[entry - 1]);
                __builtin_prefetch(record);
                __builtin_prefetch(record + sizeof(Record) - 1);
            }
        for (std::size_t i = 0; i < n; ++i) hints[from + i] = hintAt(keys[from + i], slotFrom(keys[from + i], homes[i]));
    }
}

std::optional<std::uint64_t> DigestCache::hintAt(const Key& key, std::uint32_t slot) const {
    const std::uint32_t entry = m_arrIndex[slot];
    if (entry == 0) return std::nullopt;
    const Record& r = m_arrRecords[entry - 1];
    if (r.size != key.size || r.modificationNs != key.modificationNs || r.changeNs != key.changeNs) return std::nullopt;
    return (std::uint64_t{m_nGeneration} << 32) | (entry - 1);
}

std::optional<DigestCache::Entry> DigestCache::entryForHint(std::uint64_t hint, std::uint64_t size,
                                                            std::uint64_t kind) const {
    std::shared_lock lock(m_mutex);
    const std::uint64_t record = hint & 0xFFFFFFFFu;
    if ((hint >> 32) != m_nGeneration || record >= m_arrRecords.size()) return std::nullopt;
    const Record& r = m_arrRecords[record];
    if (r.size != size || r.kind != kind) return std::nullopt;
    return Entry{{r.device, r.inode, r.size, r.modificationNs, r.changeNs, r.kind}, r.digest, r.flags & kKnownFlags,
                 r.lastUsedDay == today()};
}

std::optional<DigestCache::Key> DigestCache::keyForHint(std::uint64_t hint) const {
    std::shared_lock lock(m_mutex);
    const std::uint64_t record = hint & 0xFFFFFFFFu;
    if ((hint >> 32) != m_nGeneration || record >= m_arrRecords.size()) return std::nullopt;
    const Record& r = m_arrRecords[record];
    return Key{r.device, r.inode, r.size, r.modificationNs, r.changeNs, r.kind};
}

Status DigestCache::save() {
    // The records are written from memory and from the scratch file, under the exclusive lock; they are
    // never all in memory at once (a scan's peak would hold them).
    std::unique_lock lock(m_mutex);
    if (!m_bChanged) {
        unloadLocked();
        return Status::ok();
    }
    const std::uint32_t day = today();
    const auto fresh = [&](const Record& r) { return day <= r.lastUsedDay || day - r.lastUsedDay <= kForgetAfterDays; };
    m_arrRecords.keepIf([&](const Record& r) { return !(r.flags & kSuperseded) && fresh(r); });
    rebuildIndex();  // the records moved; a failed write leaves them in use

    // A file digested twice since the last write (by two scans in a row, neither of them written) keeps
    // its later digest: keys seen more than once are counted, and only the last of them is kept.
    std::unordered_map<std::uint64_t, std::size_t> repeated;
    if (m_nSpilled > 0) {
        std::vector<std::uint64_t> keys;
        keys.reserve(m_nSpilled);
        Status status = forEachSpilledLocked([&](const Record& r) { keys.push_back(fileAndKindOf(r.device, r.inode, r.kind)); });
        if (!status) return failedSave(status);
        std::sort(keys.begin(), keys.end());
        for (std::size_t i = 1; i < keys.size(); ++i)
            if (keys[i] == keys[i - 1]) {
                std::size_t& count = repeated[keys[i]];
                count = count == 0 ? 2 : count + 1;
            }
    }
    // Which spilled records go into the file; the same answers in each pass over them.
    struct SpillFilter {
        std::unordered_map<std::uint64_t, std::size_t> repeated;
        std::uint32_t lastDay = 0;
        std::size_t lastDayDropped = 0;
    };
    SpillFilter start{std::move(repeated)};
    // Within the bound: the days after the last day kept, and of that day the entries after those dropped.
    const auto withinBound = [](SpillFilter& filter, const Record& r) {
        if (r.lastUsedDay != filter.lastDay) return r.lastUsedDay > filter.lastDay;
        if (filter.lastDayDropped == 0) return true;
        --filter.lastDayDropped;
        return false;
    };
    const auto keepSpilled = [&](SpillFilter& filter, const Record& r, bool bounded) {
        if (!fresh(r)) return false;
        if (auto it = filter.repeated.find(fileAndKindOf(r.device, r.inode, r.kind)); it != filter.repeated.end() && --it->second > 0) return false;
        return !bounded || withinBound(filter, r);
    };

    // Least recently used out; among entries of one day, the ones stored earlier (those in memory before
    // the spilled ones). The last day kept is the newest whose entries and those of later days no longer
    // fit: of its own, the ones stored last keep what room is left.
    std::map<std::uint32_t, std::size_t, std::greater<>> perDay;
    for (std::size_t i = 0; i < m_arrRecords.size(); ++i) ++perDay[m_arrRecords[i].lastUsedDay];
    std::size_t spilledKept = 0;
    {
        SpillFilter pass = start;
        if (const Status status = forEachSpilledLocked([&](const Record& r) {
                if (keepSpilled(pass, r, false)) ++perDay[r.lastUsedDay], ++spilledKept;
            }); !status)
            return failedSave(status);
    }
    const std::size_t room = m_nMaxBytes > sizeof(Header) ? (m_nMaxBytes - sizeof(Header)) / sizeof(Record) : 0;
    const bool bounded = m_arrRecords.size() + spilledKept > room;
    if (bounded) {
        std::size_t left = room;
        for (const auto& [usedDay, count] : perDay) {
            start.lastDay = usedDay;
            start.lastDayDropped = count - std::min(count, left);
            if (count >= left) break;
            left -= count;
        }
        m_arrRecords.keepIf([&](const Record& r) { return withinBound(start, r); });
        rebuildIndex();
    }

    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.recordSize = sizeof(Record);
    header.count = m_arrRecords.size();
    const std::vector<std::string_view> inMemory = m_arrRecords.bytes();
    // The spilled records kept, a piece at a time: counted and summed first, then written.
    const auto eachSpilledPiece = [&](const std::function<Status(std::string_view)>& take) {
        SpillFilter pass = start;
        std::string piece;
        Status status = Status::ok();
        Status read = forEachSpilledLocked([&](const Record& r) {
            if (!status || !keepSpilled(pass, r, bounded)) return;
            piece.append(reinterpret_cast<const char*>(&r), sizeof r);
            if (piece.size() >= 64 * 1024) status = take(piece), piece.clear();
        });
        if (read && status && !piece.empty()) status = take(piece);
        return read ? status : read;
    };
    std::uint64_t spilledBytes = 0;
    if (const Status status = eachSpilledPiece([&](std::string_view piece) {
            spilledBytes += piece.size();
            return Status::ok();
        }); !status)
        return failedSave(status);
    header.count += spilledBytes / sizeof(Record);
    Checksum sum(header.count * sizeof(Record));
    for (std::string_view piece : inMemory) sum.add(piece);
    if (const Status status = eachSpilledPiece([&](std::string_view piece) {
            sum.add(piece);
            return Status::ok();
        }); !status)
        return failedSave(status);
    header.checksum = sum.value();

    const std::string folder = folderOf(m_path);
    const std::size_t slash = m_path.rfind('/');
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    const Status status = file_contents::replaceFileWith(folder, name, [&](const file_contents::PieceWriter& write) {
        Status written = write(std::string_view(reinterpret_cast<const char*>(&header), sizeof header));
        for (std::string_view piece : inMemory)
            if (written) written = write(piece);
        return written ? eachSpilledPiece(write) : written;
    });
    if (!status) return failedSave(status);
    m_bChanged = false;
    m_pSpill.reset();
    m_nSpilled = 0;
    m_bSpillFailed = false;
    unloadLocked();
    return status;
}

Status DigestCache::failedSave(const Status& status) {
    m_warning = "the digest cache " + m_path + " could not be written (" + status.message() +
                "): the next scan reads these files again";
    return status;
}

void DigestCache::unload() {
    std::unique_lock lock(m_mutex);
    unloadLocked();
}

void DigestCache::unloadUntilNeeded() {
    std::unique_lock lock(m_mutex);
    unloadLocked();
    if (m_bUnloaded) m_bLoaded = false;
}

void DigestCache::unloadLocked() {
    if (!m_bLoaded || m_bUnloaded || m_bChanged) return;
    // The index is swapped with an empty one: clear() would keep its room.
    m_arrRecords.clear();
    std::vector<std::uint32_t>().swap(m_arrIndex);
    rebuildIndex();
    m_bUnloaded = true;
    m_bHasEarlierEntries.store(false, std::memory_order_relaxed);
}

std::optional<std::string> DigestCache::takeWarning() {
    std::unique_lock lock(m_mutex);
    std::optional<std::string> warning = std::move(m_warning);
    m_warning.reset();
    return warning;
}

std::size_t DigestCache::size() const {
    std::shared_lock lock(m_mutex);
    return m_arrRecords.size() + m_nSpilled;
}
