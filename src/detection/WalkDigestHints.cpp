#include "detection/WalkDigestHints.h"

#include "detection/FileSeparator.h"
#include "platform/DirectoryReader.h"
#include "platform/FileDigest.h"

WalkDigestHints::WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength)
    : m_pCache(std::move(cache)), m_nBlockLength(FileSeparator::effectiveHashBlockSize(blockLength)) {}

std::optional<std::uint64_t> WalkDigestHints::hintFor(const DirectoryEntry& file) const {
    if (!m_pCache || !m_pCache->hasEntriesFromEarlierScans()) return std::nullopt;
    const std::uint64_t kind = FileDigest::isPartialDigest(file.size, m_nBlockLength, 3 * m_nBlockLength)
                                   ? m_nBlockLength
                                   : DigestCache::kWholeFile;
    return m_pCache->hintFor({file.device, file.inode, file.size, file.modificationNs, file.changeNs, kind});
}
