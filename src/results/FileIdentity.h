// Which file a name stands for: device and inode. Read only for names the walk saw with more than one
// link (hard links), when they turn out to be duplicates; names with equal identities are one file, so
// one copy. Reads through FileSystem::standard(); any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FileSystemItem;

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    auto operator<=>(const FileIdentity&) const = default;

    // The identity of the regular file at `path` when it has more than one name now; none for a file
    // with one name, another kind of entry or one that cannot be examined (the name then counts as a
    // file of its own).
    static std::optional<FileIdentity> ofFileWithOtherNames(const std::string& path);
    // Whether the nodes are all names of one and the same file: then they are no duplicates of one
    // another. Examines the disk only when every node was seen with other names.
    static bool areNamesOfOneFile(const std::vector<FileSystemItem*>& nodes);
};
