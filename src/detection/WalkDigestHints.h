// The walk's digest hints from the digest cache: for a file, the entry of the digest the comparison's
// first pass would look for (the sampled digest of the configured block length, or for a file too small
// to sample its whole digest), stored under the stamp the walk saw. Any thread, all at once.
#pragma once

#include <memory>

#include "detection/DigestCache.h"
#include "scan/FolderScanDigestHints.h"

class WalkDigestHints : public FolderScanDigestHints {
public:
    // `blockLength` as the configuration gives it (FileSeparator::effectiveHashBlockSize applies).
    WalkDigestHints(std::shared_ptr<const DigestCache> cache, std::uint64_t blockLength);
    std::optional<std::uint64_t> hintFor(const DirectoryEntry& file) const override;

private:
    std::shared_ptr<const DigestCache> m_pCache;
    std::uint64_t m_nBlockLength;
};
