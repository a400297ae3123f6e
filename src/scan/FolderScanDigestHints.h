// Gives the walk's items the digest hints of the files just examined (FileSystemItem::setDigestHint).
// Called by all the walk's workers at once: an implementation is safe for that and never waits; it may
// keep a file to hint once the walk is over instead (see WalkDigestHints).
#pragma once

#include <span>

struct DirectoryEntry;
class FileSystemItem;

class FolderScanDigestHints {
public:
    virtual ~FolderScanDigestHints() = default;
    // Each of `files` and the item made for it at the same place of `items`: a batch of one folder,
    // given before the items go on to the comparison.
    virtual void giveHints(std::span<const DirectoryEntry* const> files, std::span<FileSystemItem* const> items) const = 0;
};
