#include "platform/FileTransfer.h"

#include "platform/ReplaceableInstance.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/FileCalls.h"
#include "platform/FileContents.h"

namespace {

Status copyEntry(const std::string& from, const std::string& to);

Status setTimes(int fd, const std::string& path, const struct stat& st) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    return ::futimens(fd, times) == 0 ? Status::ok() : Status::fromErrno(errno, path);
}

// The owner is kept where the user may give it (root, or the user's own file); elsewhere the copy
// belongs to whoever made it, which is not a failure.
Status keepOwner(int fd, const std::string& path, const struct stat& st) {
    if (::fchown(fd, st.st_uid, st.st_gid) == 0 || errno == EPERM) return Status::ok();
    return Status::fromErrno(errno, path);
}

Status copyFileData(int in, int out, const std::string& from, const std::string& to) {
    for (;;) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) return Status::ok();
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return Status::fromErrno(errno, to);
        break;  // no kernel copy between these file systems: plain reads and writes
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Status::fromErrno(errno, from);
        if (got == 0) return Status::ok();
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return Status::fromErrno(errno, to);
            done += put;
        }
    }
}

Status copyRegular(const std::string& from, const std::string& to, const struct stat& st) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return Status::fromErrno(errno, from);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        const Status failed = Status::fromErrno(errno, to);
        ::close(in);
        return failed;
    }
    Status status = copyFileData(in, out, from, to);
    if (status) status = keepOwner(out, to, st);
    if (status && ::fchmod(out, st.st_mode & 07777) != 0) status = Status::fromErrno(errno, to);
    if (status) status = setTimes(out, to, st);
    if (status && ::fsync(out) != 0) status = Status::fromErrno(errno, to);
    if (::close(out) != 0 && status && errno != EINTR) status = Status::fromErrno(errno, to);
    ::close(in);
    if (!status) ::unlink(to.c_str());
    return status;
}

Status copyLink(const std::string& from, const std::string& to) {
    std::vector<char> target(4096);
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size() - 1);
    if (n < 0) return Status::fromErrno(errno, from);
    target[static_cast<std::size_t>(n)] = '\0';
    if (::symlink(target.data(), to.c_str()) != 0) return Status::fromErrno(errno, to);
    struct stat st {};
    if (::lstat(from.c_str(), &st) == 0) {
        if (::lchown(to.c_str(), st.st_uid, st.st_gid) != 0 && errno != EPERM) return Status::fromErrno(errno, to);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);  // a link's own times are a courtesy
    }
    return Status::ok();
}

Status listNames(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return Status::fromErrno(errno, folder);
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    const int e = errno;
    ::closedir(dir);
    return e ? Status::fromErrno(e, folder) : Status::ok();
}

Status removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Status::fromErrno(errno, path);
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? Status::ok() : Status::fromErrno(errno, path);
    std::vector<std::string> names;
    if (Status s = listNames(path, names); !s) return s;
    for (const auto& name : names)
        if (Status s = removeTree(path + "/" + name); !s) return s;
    return ::rmdir(path.c_str()) == 0 ? Status::ok() : Status::fromErrno(errno, path);
}

Status copyFolder(const std::string& from, const std::string& to, const struct stat& st) {
    if (::mkdir(to.c_str(), 0700) != 0) return Status::fromErrno(errno, to);
    std::vector<std::string> names;
    Status status = listNames(from, names);
    for (std::size_t i = 0; status && i < names.size(); ++i) status = copyEntry(from + "/" + names[i], to + "/" + names[i]);
    if (status) {
        const int fd = ::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) status = Status::fromErrno(errno, to);
        else {
            status = keepOwner(fd, to, st);
            if (status && ::fchmod(fd, st.st_mode & 07777) != 0) status = Status::fromErrno(errno, to);
            if (status) status = setTimes(fd, to, st);
            ::close(fd);
        }
    }
    if (!status) removeTree(to);  // only what this copy created: the folder was new
    return status;
}

Status copyEntry(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return Status::fromErrno(errno, from);
    if (S_ISREG(st.st_mode)) return copyRegular(from, to, st);
    if (S_ISLNK(st.st_mode)) return copyLink(from, to);
    if (S_ISDIR(st.st_mode)) return copyFolder(from, to, st);
    return Status(StatusCode::NotARegularFile, 0, from);
}

// Fills the buffer as far as the file allows; `got` below the size is the end of the file.
bool readFull(int fd, char* data, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads both files to the end and compares them; a difference answers CopyMismatch on the copy.
Status sameBytes(const std::string& original, const std::string& copy) {
    const int a = ::open(original.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (a < 0) return Status::fromErrno(errno, original);
    const int b = ::open(copy.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (b < 0) {
        const Status failed = Status::fromErrno(errno, copy);
        ::close(a);
        return failed;
    }
    ::posix_fadvise(a, 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(b, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> left(1 << 20), right(1 << 20);
    Status status;
    for (;;) {
        std::size_t gotA = 0, gotB = 0;
        if (!readFull(a, left.data(), left.size(), gotA)) {
            status = Status::fromErrno(errno, original);
            break;
        }
        if (!readFull(b, right.data(), right.size(), gotB)) {
            status = Status::fromErrno(errno, copy);
            break;
        }
        if (gotA != gotB || std::memcmp(left.data(), right.data(), gotA) != 0) {
            status = Status(StatusCode::CopyMismatch, 0, copy);
            break;
        }
        if (gotA < left.size()) break;
    }
    ::close(a);
    ::close(b);
    return status;
}

// Whether the copy at `to` is complete: the same kinds and sizes throughout, the same link targets,
// and the same bytes for every file smaller than the limit.
Status verifyCopy(const std::string& from, const std::string& to, std::uint64_t contentLimit) {
    struct stat a {}, b {};
    if (::lstat(from.c_str(), &a) != 0) return Status::fromErrno(errno, from);
    if (::lstat(to.c_str(), &b) != 0) return Status::fromErrno(errno, to);
    if ((a.st_mode & S_IFMT) != (b.st_mode & S_IFMT)) return Status(StatusCode::CopyMismatch, 0, to);
    if (S_ISREG(a.st_mode)) {
        if (a.st_size != b.st_size) return Status(StatusCode::CopyMismatch, 0, to);
        return static_cast<std::uint64_t>(a.st_size) < contentLimit ? sameBytes(from, to) : Status::ok();
    }
    if (S_ISLNK(a.st_mode)) {
        std::vector<char> left(4096), right(4096);
        const ssize_t n = ::readlink(from.c_str(), left.data(), left.size());
        const ssize_t m = ::readlink(to.c_str(), right.data(), right.size());
        if (n < 0) return Status::fromErrno(errno, from);
        if (m < 0) return Status::fromErrno(errno, to);
        const bool same = n == m && std::memcmp(left.data(), right.data(), static_cast<std::size_t>(n)) == 0;
        return same ? Status::ok() : Status(StatusCode::CopyMismatch, 0, to);
    }
    if (!S_ISDIR(a.st_mode)) return Status::ok();
    std::vector<std::string> names, copied;
    if (Status s = listNames(from, names); !s) return s;
    if (Status s = listNames(to, copied); !s) return s;
    if (names.size() != copied.size()) return Status(StatusCode::CopyMismatch, 0, to);
    for (const auto& name : names)
        if (Status s = verifyCopy(from + "/" + name, to + "/" + name, contentLimit); !s) return s;
    return Status::ok();
}
}  // namespace

namespace {
ReplaceableInstance<FileTransfer, LinuxFileTransfer>& instance() { return ReplaceableInstance<FileTransfer, LinuxFileTransfer>::shared(); }
}  // namespace

FileTransfer& FileTransfer::standard() { return instance().get(); }

void FileTransfer::setStandard(std::shared_ptr<FileTransfer> transfer) { instance().replace(std::move(transfer)); }

Status LinuxFileTransfer::moveNoReplace(const std::string& from, const std::string& to) {
    const Status renamed = FileCalls::standard().renameNoReplace(from, to);
    if (renamed || renamed.code() != StatusCode::CrossDevice) return renamed;
    if (Status copied = copyEntry(from, to); !copied) return copied;
    const std::uint64_t limit = m_bCompareAllContents ? UINT64_MAX : kCompareContentsBelow;
    if (Status verified = verifyCopy(from, to, limit); !verified) {
        removeTree(to);  // the copy is this move's own: the original stays whole
        return verified;
    }
    return removeTree(from);
}

Status LinuxFileTransfer::copyNoReplace(const std::string& from, const std::string& to) { return copyEntry(from, to); }

Status LinuxFileTransfer::makeFolders(const std::string& path) { return file_contents::createFolders(path); }

Status LinuxFileTransfer::removeFile(const std::string& path) { return FileCalls::standard().removeFile(path); }
