#include "detection/WalkDigestHints.h"

#include "detection/FileSeparator.h"
#include "platform/DirectoryReader.h"

WalkDigestHints::WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength)
    : m_pCache(std::move(cache)), m_nBlockLength(FileSeparator::effectiveHashBlockSize(blockLength)) {}

std::optional<std::uint64_t> WalkDigestHints::hintFor(const DirectoryEntry& file) const {
    if (!m_pCache || !m_pCache->hasEntriesFromEarlierScans()) return std::nullopt;
    const std::uint64_t kind = FileSeparator::firstPassKind(file.size, m_nBlockLength);
    return m_pCache->hintFor({file.device, file.inode, file.size, file.modificationNs, file.changeNs, kind});
}
