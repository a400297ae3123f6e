// A file without a name in a given folder, for data that outgrows memory within one process: appended
// to, then read back from any offset. It is gone when closed or when the process ends, however it ends.
// Goes through FileCalls, so tests can fail any step. Belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Status.h"

class ScratchFile {
public:
    // In `folder`, which must exist.
    static Status create(const std::string& folder, std::unique_ptr<ScratchFile>& file);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    Status append(std::string_view bytes);
    // Up to `size` bytes from `offset`; fewer only at the end.
    Status read(std::uint64_t offset, char* data, std::size_t size, std::size_t& got) const;
    std::uint64_t size() const { return m_nSize; }

private:
    ScratchFile(int fd, std::string name) : m_fd(fd), m_sName(std::move(name)) {}

    const int m_fd;
    const std::string m_sName;  // for messages: the folder and what the file is
    std::uint64_t m_nSize = 0;
};
