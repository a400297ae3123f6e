// Gives the walk's items the digest hints of the files just examined (FileSystemItem::setDigestHint).
// Called by all the walk's workers at once: an implementation is safe for that and never waits; it may
// keep a file to hint once the walk is over instead (see WalkDigestHints).
#pragma once

struct DirectoryEntry;
class FileSystemItem;

class FolderScanDigestHints {
public:
    virtual ~FolderScanDigestHints() = default;
    virtual void giveHint(const DirectoryEntry& file, FileSystemItem& item) const = 0;
};
