#include "platform/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {
long pidWrittenIn(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}
}  // namespace

RunLock::~RunLock() {
    if (m_nFd < 0) return;
    (void)::ftruncate(m_nFd, 0);
    ::close(m_nFd);  // releases the lock
}

Status RunLock::tryAcquire(const std::string& path, std::unique_ptr<RunLock>& out, long& holderPid) {
    holderPid = 0;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Status::fromErrno(errno, path);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const int e = errno;
        if (e == EWOULDBLOCK) holderPid = pidWrittenIn(fd);
        ::close(fd);
        return e == EWOULDBLOCK ? Status(StatusCode::Busy, e, path) : Status::fromErrno(e, path);
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        const int e = errno;
        ::close(fd);
        return Status::fromErrno(e, path);
    }
    out.reset(new RunLock(fd));
    return Status::ok();
}
