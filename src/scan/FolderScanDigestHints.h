// Gives the walk, for each regular file it has just examined, a digest hint to keep in the file's item
// (FileSystemItem::setDigestHint). Called by all the walk's workers at once: an implementation is safe
// for that and never waits.
#pragma once

#include <cstdint>
#include <optional>

struct DirectoryEntry;

class FolderScanDigestHints {
public:
    virtual ~FolderScanDigestHints() = default;
    virtual std::optional<std::uint64_t> hintFor(const DirectoryEntry& file) const = 0;
};
