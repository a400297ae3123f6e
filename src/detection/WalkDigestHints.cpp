#include "detection/WalkDigestHints.h"

#include <algorithm>

#include "detection/FileSeparator.h"
#include "platform/DirectoryReader.h"
#include "scan/FileSystemItem.h"

namespace {
constexpr std::size_t kBatch = 64;  // keys looked up together, on the stack

// Looks up `count` keys in batches and gives each item found its hint: keyAt(i) and itemAt(i) name the
// i-th file.
template <typename KeyAt, typename ItemAt>
void giveFound(const DigestCache& cache, std::size_t count, KeyAt keyAt, ItemAt itemAt) {
    DigestCache::Key keys[kBatch];
    std::optional<std::uint64_t> hints[kBatch];
    for (std::size_t from = 0; from < count; from += kBatch) {
        const std::size_t n = std::min(kBatch, count - from);
        for (std::size_t i = 0; i < n; ++i) keys[i] = keyAt(from + i);
        cache.hintsFor(keys, n, hints);
        for (std::size_t i = 0; i < n; ++i)
            if (hints[i]) itemAt(from + i)->setDigestHint(*hints[i]);
    }
}
}  // namespace

WalkDigestHints::WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength)
    : m_pCache(std::move(cache)), m_nBlockLength(FileSeparator::effectiveHashBlockSize(blockLength)) {}

DigestCache::Key WalkDigestHints::keyOf(const DirectoryEntry& file) const {
    const std::uint64_t kind = FileSeparator::firstPassKind(file.size, m_nBlockLength);
    return {file.device, file.inode, file.size, file.modificationNs, file.changeNs, kind};
}

void WalkDigestHints::giveHints(std::span<const DirectoryEntry* const> files, std::span<FileSystemItem* const> items) const {
    if (!m_pCache || files.empty()) return;
    if (!m_bCacheRead.load(std::memory_order_acquire)) {
        // Reading the cache takes a while (about 0.1 s for 140 000 entries) and the walk does not wait:
        // a file met meanwhile would otherwise be examined again by the comparison.
        std::lock_guard lock(m_deferredMutex);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const Deferred deferred{items[i], keyOf(*files[i])};
            m_arrDeferred.append(reinterpret_cast<const char*>(&deferred), 1);
        }
        return;
    }
    if (!m_pCache->hasEntriesFromEarlierScans()) return;
    giveFound(*m_pCache, files.size(), [&](std::size_t i) { return keyOf(*files[i]); },
              [&](std::size_t i) { return items[i]; });
}

std::optional<std::uint64_t> WalkDigestHints::hintFor(const DirectoryEntry& file) const {
    if (!m_pCache || !m_pCache->hasEntriesFromEarlierScans()) return std::nullopt;
    return m_pCache->hintFor(keyOf(file));
}

void WalkDigestHints::markCacheRead() { m_bCacheRead.store(true, std::memory_order_release); }

void WalkDigestHints::giveDeferredHints() {
    ChunkedRecords<Deferred, 2048> deferred;
    {
        std::lock_guard lock(m_deferredMutex);
        std::swap(deferred, m_arrDeferred);
    }
    // The walk does not wait for the cache, nor does the comparison's start: a cache still being read
    // now has its files looked up by the comparison.
    if (!m_bCacheRead.load(std::memory_order_acquire) || !m_pCache || !m_pCache->hasEntriesFromEarlierScans()) return;
    giveFound(*m_pCache, deferred.size(), [&](std::size_t i) { return deferred[i].key; },
              [&](std::size_t i) { return deferred[i].item; });
}

std::size_t WalkDigestHints::deferredCount() const {
    std::lock_guard lock(m_deferredMutex);
    return m_arrDeferred.size();
}
