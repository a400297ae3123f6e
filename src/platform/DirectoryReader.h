// Reads one folder's entries in bulk: getdents64 into a reusable buffer, then statx on each entry
// relative to the folder's descriptor (never following links), so no path is built per entry.
// One reader per thread; reuse it for folder after folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

enum class DirectoryEntryType : std::uint8_t { File, Folder, SymbolicLink, Other };

struct DirectoryEntry {
    std::string_view name;  // valid until the next readBatch
    DirectoryEntryType type = DirectoryEntryType::Other;
    std::uint64_t size = 0;           // logical bytes
    std::uint64_t allocatedSize = 0;  // blocks × 512
    std::int64_t modificationSeconds = 0;
    // The stamp the digest cache keys a file's digest by, as FileReader's FileStamp gives it.
    std::uint64_t device = 0;  // as st_dev
    std::uint64_t inode = 0;
    std::int64_t modificationNs = 0;
    std::int64_t changeNs = 0;
    std::uint32_t linkCount = 0;
    bool mountPoint = false;  // a folder that is the root of another mount
    bool statFailed = false;  // the entry vanished or could not be examined
};

class DirectoryReader {
public:
    static constexpr std::size_t kBufferSize = 32 * 1024;

    DirectoryReader();
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    Status open(const std::string& path);
    void close();

    // Reads the next bulk of entries ("." and ".." left out) into `entries`; answers how many
    // system entries the bulk held: 0 at the end of the folder, -1 on an error.
    int readBatch(std::vector<DirectoryEntry>& entries);

private:
    int m_nFd = -1;
    std::uint64_t m_nDevice = 0;
    std::vector<char> m_buffer;
};
