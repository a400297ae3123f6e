// What the scan saw of group members' files (device, inode, modification time) when their digests came
// from the cache, so that a report made right after the scan need not ask the system about each again.
// Filled on the candidate filter's queue while files are compared; sealed and read once the scan is over.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class FileSystemItem;

class SeenFiles {
public:
    struct Facts {
        std::uint64_t device = 0;  // as FileAttributes gives it
        std::uint64_t inode = 0;
        std::int64_t modificationSeconds = 0;
    };

    void add(const FileSystemItem* item, const Facts& facts) { m_arrSeen.emplace_back(item, facts); }
    // Makes find() answer; nothing may be added afterwards.
    void seal();
    const Facts* find(const FileSystemItem* item) const;

private:
    std::vector<std::pair<const FileSystemItem*, Facts>> m_arrSeen;
};
