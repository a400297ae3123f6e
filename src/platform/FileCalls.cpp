#include "platform/FileCalls.h"

#include "platform/ReplaceableInstance.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

FileKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Folder;
    if (S_ISLNK(mode)) return FileKind::SymbolicLink;
    return FileKind::Other;
}

Status kindOf(const struct stat& st, FileKind& kind, std::uint64_t& size) {
    kind = kindOfMode(st.st_mode);
    size = static_cast<std::uint64_t>(st.st_size);
    return Status::ok();
}

// Renaming without replacing needs file-system support for RENAME_NOREPLACE; without it a hard link
// to the new name followed by removing the old one has the same effect (the link fails on a taken name).
bool noReplaceUnsupported(int e) { return e == EINVAL || e == ENOSYS || e == EOPNOTSUPP; }
}  // namespace

namespace {
ReplaceableInstance<FileCalls, LinuxFileCalls>& instance() { return ReplaceableInstance<FileCalls, LinuxFileCalls>::shared(); }
}  // namespace

FileCalls& FileCalls::standard() { return instance().get(); }

void FileCalls::setStandard(std::shared_ptr<FileCalls> calls) { instance().replace(std::move(calls)); }

Status LinuxFileCalls::open(const std::string& path, int flags, unsigned mode, int& fd) {
    do fd = ::open(path.c_str(), flags, static_cast<mode_t>(mode));
    while (fd < 0 && errno == EINTR);
    return fd < 0 ? Status::fromErrno(errno, path) : Status::ok();
}

Status LinuxFileCalls::write(int fd, const std::string& path, const char* data, std::size_t size, std::size_t& written) {
    ssize_t n;
    do n = ::write(fd, data, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) return Status::fromErrno(errno, path);
    written = static_cast<std::size_t>(n);
    return Status::ok();
}

Status LinuxFileCalls::read(int fd, const std::string& path, char* data, std::size_t size, std::size_t& got) {
    ssize_t n;
    do n = ::read(fd, data, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) return Status::fromErrno(errno, path);
    got = static_cast<std::size_t>(n);
    return Status::ok();
}

Status LinuxFileCalls::readAt(int fd, const std::string& path, std::uint64_t offset, char* data, std::size_t size,
                              std::size_t& got) {
    ssize_t n;
    do n = ::pread(fd, data, size, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n < 0) return Status::fromErrno(errno, path);
    got = static_cast<std::size_t>(n);
    return Status::ok();
}

Status LinuxFileCalls::sync(int fd, const std::string& path) {
    return ::fsync(fd) == 0 ? Status::ok() : Status::fromErrno(errno, path);
}

Status LinuxFileCalls::close(int fd, const std::string& path) {
    // Linux releases the descriptor even when close fails, so it is never retried.
    return ::close(fd) == 0 || errno == EINTR ? Status::ok() : Status::fromErrno(errno, path);
}

Status LinuxFileCalls::entryKind(const std::string& path, FileKind& kind, std::uint64_t& size) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Status::fromErrno(errno, path);
    return kindOf(st, kind, size);
}

Status LinuxFileCalls::openFileKind(int fd, const std::string& path, FileKind& kind, std::uint64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Status::fromErrno(errno, path);
    return kindOf(st, kind, size);
}

Status LinuxFileCalls::renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Status::ok();
    if (!noReplaceUnsupported(errno)) return Status::fromErrno(errno, to);
    if (::link(from.c_str(), to.c_str()) != 0) return Status::fromErrno(errno, to);
    if (::unlink(from.c_str()) != 0) return Status::fromErrno(errno, from);
    return Status::ok();
}

Status LinuxFileCalls::renameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? Status::ok() : Status::fromErrno(errno, to);
}

Status LinuxFileCalls::removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? Status::ok() : Status::fromErrno(errno, path);
}

Status LinuxFileCalls::makeFolder(const std::string& path, unsigned mode) {
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 ? Status::ok() : Status::fromErrno(errno, path);
}
