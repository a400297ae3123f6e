#include "platform/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

std::uint64_t FileStamp::attributesDevice(std::uint64_t device) {
    return (static_cast<std::uint64_t>(major(device)) << 32) | minor(device);
}

FileReader::~FileReader() { close(); }

FileReader::Folder::~Folder() { close(); }

FileReader::Folder::Folder(Folder&& other) noexcept : m_nFd(other.m_nFd) { other.m_nFd = -1; }

FileReader::Folder& FileReader::Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        close();
        m_nFd = other.m_nFd;
        other.m_nFd = -1;
    }
    return *this;
}

Status FileReader::Folder::open(const char* path) {
    close();
    int fd;
    do {
        fd = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Status::fromErrno(errno, path);
    m_nFd = fd;
    return Status::ok();
}

void FileReader::Folder::close() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
}

namespace {
std::atomic<std::uint64_t> g_openedFiles{0};

void fillStamp(const struct stat& info, FileStamp& out) {
    out.device = static_cast<std::uint64_t>(info.st_dev);
    out.inode = static_cast<std::uint64_t>(info.st_ino);
    out.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    out.modificationNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    out.changeNs = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    out.isRegular = S_ISREG(info.st_mode);
}

// Opens `name` relative to `folderFd` (AT_FDCWD for a path) read-only, as FileReader::open describes.
Status openRegularFile(int folderFd, const char* name, int& out, FileStamp& stamp) {
    // O_NONBLOCK keeps a pipe that took the place of a listed file from blocking the open; it has no
    // effect on reading a regular file.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd;
    do {
        fd = ::openat(folderFd, name, kFlags | O_NOATIME);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EPERM) {
        // O_NOATIME is allowed only to the file's owner (or a privileged process).
        do {
            fd = ::openat(folderFd, name, kFlags);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) return Status::fromErrno(errno, name);

    struct stat info;
    if (::fstat(fd, &info) != 0) {
        int error = errno;
        ::close(fd);
        return Status::fromErrno(error, name);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Status::fromErrno(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, name);
    }
    out = fd;
    fillStamp(info, stamp);
    g_openedFiles.fetch_add(1, std::memory_order_relaxed);
    return Status::ok();
}
}  // namespace

std::uint64_t FileReader::countOfOpenedFiles() { return g_openedFiles.load(std::memory_order_relaxed); }

Status FileReader::stampAt(const Folder& folder, const char* name, FileStamp& out) {
    if (!folder.isOpen()) return Status::fromErrno(EBADF, name);
    struct stat info;
    if (::fstatat(folder.m_nFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return Status::fromErrno(errno, name);
    fillStamp(info, out);
    return Status::ok();
}

Status FileReader::stampOfPath(const char* path, FileStamp& out) {
    struct stat info;
    if (::fstatat(AT_FDCWD, path, &info, AT_SYMLINK_NOFOLLOW) != 0) return Status::fromErrno(errno, path);
    fillStamp(info, out);
    return Status::ok();
}

Status FileReader::readableAt(const Folder& folder, const char* name) {
    if (!folder.isOpen()) return Status::fromErrno(EBADF, name);
    if (::faccessat(folder.m_nFd, name, R_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
        return Status::fromErrno(errno, name);
    return Status::ok();
}

Status FileReader::readablePath(const char* path) {
    if (::faccessat(AT_FDCWD, path, R_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) return Status::fromErrno(errno, path);
    return Status::ok();
}

Status FileReader::tryReading(const char* path) {
    FileReader reader;
    if (Status opened = reader.open(path); !opened) return opened;
    char byte;
    if (reader.readAt(&byte, 1, 0) < 0) return Status::fromErrno(errno, path);
    return Status::ok();
}

Status FileReader::open(const char* path) {
    close();
    return openRegularFile(AT_FDCWD, path, m_nFd, m_stampAtOpen);
}

Status FileReader::openAt(const Folder& folder, const char* name) {
    close();
    if (!folder.isOpen()) return Status::fromErrno(EBADF, name);
    return openRegularFile(folder.m_nFd, name, m_nFd, m_stampAtOpen);
}

void FileReader::close() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
}

namespace {
// Read only by readAt; written by tests while no read runs.
std::atomic<std::uint64_t> g_faultInode{0};
std::atomic<int> g_faultError{0};
std::atomic<std::uint64_t> g_faultOffset{0};
std::atomic<std::uint64_t> g_uncachedInode{0};
std::atomic<std::uint64_t> g_bytesCached{0};
}  // namespace

void FileReader::setCacheFaultForTests(CacheFault fault) {
    g_bytesCached.store(fault.bytesCached, std::memory_order_relaxed);
    g_uncachedInode.store(fault.inode, std::memory_order_release);
}

void FileReader::setReadFaultForTests(ReadFault fault) {
    g_faultError.store(fault.error, std::memory_order_relaxed);
    g_faultOffset.store(fault.offset, std::memory_order_relaxed);
    g_faultInode.store(fault.inode, std::memory_order_release);
}

namespace {
// Whether a read fault set by a test applies to this read; errno is then set to it.
bool faultApplies(const FileStamp& stamp, std::uint64_t offset) {
    const std::uint64_t inode = g_faultInode.load(std::memory_order_acquire);
    if (inode == 0 || inode != stamp.inode) return false;
    const std::uint64_t at = g_faultOffset.load(std::memory_order_relaxed);
    if (at != FileReader::ReadFault::kAnyOffset && at != offset) return false;
    errno = g_faultError.load(std::memory_order_relaxed);
    return true;
}
}  // namespace

std::int64_t FileReader::readAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    if (m_nFd < 0) {
        errno = EBADF;
        return -1;
    }
    if (faultApplies(m_stampAtOpen, offset)) return -1;
    for (;;) {
        ssize_t count = ::pread(m_nFd, buffer, size, static_cast<off_t>(offset));
        if (count >= 0) return count;
        if (errno != EINTR) return -1;
    }
}

std::int64_t FileReader::readFullyAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        std::int64_t count = readAt(bytes + done, size - done, offset + done);
        if (count < 0) return -1;
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
        // A short read that reaches the size the file had when opened is its end: asking again would
        // only return nothing (one call per file read to its end). A file that grew since goes on.
        if (done < size && offset + done == m_stampAtOpen.size) break;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t FileReader::readCachedAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    if (m_nFd < 0) {
        errno = EBADF;
        return -1;
    }
    if (faultApplies(m_stampAtOpen, offset)) return -1;
    if (const std::uint64_t inode = g_uncachedInode.load(std::memory_order_acquire);
        inode != 0 && inode == m_stampAtOpen.inode) {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, g_bytesCached.load(std::memory_order_relaxed)));
        if (size == 0) {
            errno = EAGAIN;
            return -1;
        }
    }
    iovec piece{buffer, size};
    for (;;) {
        ssize_t count = ::preadv2(m_nFd, &piece, 1, static_cast<off_t>(offset), RWF_NOWAIT);
        if (count >= 0) return count;
        if (errno != EINTR) return -1;
    }
}

void FileReader::adviseSequential() const {
    if (m_nFd >= 0) ::posix_fadvise(m_nFd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void FileReader::adviseWillNeed(std::uint64_t offset, std::uint64_t length) const {
    if (m_nFd >= 0 && length > 0)
        ::posix_fadvise(m_nFd, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}
