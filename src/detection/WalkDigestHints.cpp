#include "detection/WalkDigestHints.h"

#include "detection/FileSeparator.h"
#include "platform/DirectoryReader.h"
#include "scan/FileSystemItem.h"

WalkDigestHints::WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength)
    : m_pCache(std::move(cache)), m_nBlockLength(FileSeparator::effectiveHashBlockSize(blockLength)) {}

DigestCache::Key WalkDigestHints::keyOf(const DirectoryEntry& file) const {
    const std::uint64_t kind = FileSeparator::firstPassKind(file.size, m_nBlockLength);
    return {file.device, file.inode, file.size, file.modificationNs, file.changeNs, kind};
}

void WalkDigestHints::giveHint(const DirectoryEntry& file, FileSystemItem& item) const {
    if (!m_pCache) return;
    if (!m_bCacheRead.load(std::memory_order_acquire)) {
        // Reading the cache takes a while (about 0.1 s for 140 000 entries) and the walk does not wait:
        // a file met meanwhile would otherwise be examined again by the comparison.
        const Deferred deferred{&item, keyOf(file)};
        std::lock_guard lock(m_deferredMutex);
        m_arrDeferred.append(reinterpret_cast<const char*>(&deferred), 1);
        return;
    }
    if (std::optional<std::uint64_t> hint = hintFor(file)) item.setDigestHint(*hint);
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
    for (std::size_t i = 0; i < deferred.size(); ++i)
        if (std::optional<std::uint64_t> hint = m_pCache->hintFor(deferred[i].key)) deferred[i].item->setDigestHint(*hint);
}

std::size_t WalkDigestHints::deferredCount() const {
    std::lock_guard lock(m_deferredMutex);
    return m_arrDeferred.size();
}
