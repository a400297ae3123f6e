#include "platform/ScratchFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/FileCalls.h"

namespace {
constexpr int kScratchFlags = O_RDWR | O_CLOEXEC;
constexpr unsigned kScratchMode = 0600;
std::atomic<unsigned> g_nextName{0};
}  // namespace

Status ScratchFile::create(const std::string& folder, std::unique_ptr<ScratchFile>& file) {
    FileCalls& calls = FileCalls::standard();
    const std::string name = folder + " (a scratch file)";
    int fd = -1;
    Status status = calls.open(folder, O_TMPFILE | kScratchFlags, kScratchMode, fd);
    if (!status) {
        // A file system without unnamed files: a private name, removed at once.
        const std::string path = folder + "/.scratch." + std::to_string(::getpid()) + "." + std::to_string(g_nextName++);
        status = calls.open(path, O_CREAT | O_EXCL | O_NOFOLLOW | kScratchFlags, kScratchMode, fd);
        if (!status) return status;
        status = calls.removeFile(path);
        if (!status) {
            (void)calls.close(fd, path);
            return status;
        }
    }
    file.reset(new ScratchFile(fd, name));
    return Status::ok();
}

ScratchFile::~ScratchFile() { (void)FileCalls::standard().close(m_fd, m_sName); }

Status ScratchFile::append(std::string_view bytes) {
    FileCalls& calls = FileCalls::standard();
    while (!bytes.empty()) {
        std::size_t written = 0;
        const Status status = calls.write(m_fd, m_sName, bytes.data(), bytes.size(), written);
        if (!status) return status;
        if (written == 0) return Status::fromErrno(EIO, m_sName);  // no progress and no reason
        bytes.remove_prefix(written);
        m_nSize += written;
    }
    return Status::ok();
}

Status ScratchFile::read(std::uint64_t offset, char* data, std::size_t size, std::size_t& got) const {
    FileCalls& calls = FileCalls::standard();
    got = 0;
    while (got < size) {
        std::size_t n = 0;
        const Status status = calls.readAt(m_fd, m_sName, offset + got, data + got, size - got, n);
        if (!status) return status;
        if (n == 0) break;
        got += n;
    }
    return Status::ok();
}
