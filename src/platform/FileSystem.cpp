#include "platform/FileSystem.h"

#include "platform/ReplaceableInstance.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <openssl/evp.h>

namespace {

FileKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Folder;
    if (S_ISLNK(mode)) return FileKind::SymbolicLink;
    return FileKind::Other;
}

void readInodeFlags(int dirfd, const char* name, FileAttributes& out) {
    int fd = ::openat(dirfd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return;  // unreadable flags count as not set
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        out.immutable = flags & FS_IMMUTABLE_FL;
        out.appendOnly = flags & FS_APPEND_FL;
    }
    ::close(fd);
}
constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_CTIME | STATX_NLINK | STATX_INO;

// The entry `name` of the folder `dirfd` itself (a link is not followed); `path` names it in a failure.
Status statxAttributes(int dirfd, const char* name, const std::string& path, FileAttributes& out) {
    struct statx st;
    if (::statx(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &st) != 0)
        return Status::fromErrno(errno, path);
    out = FileAttributes{};
    out.kind = kindOfMode(st.stx_mode);
    out.size = st.stx_size;
    out.allocatedSize = st.stx_blocks * 512;
    out.modificationSeconds = st.stx_mtime.tv_sec;
    out.modificationNanoseconds = st.stx_mtime.tv_nsec;
    out.changeSeconds = st.stx_ctime.tv_sec;
    out.changeNanoseconds = st.stx_ctime.tv_nsec;
    out.linkCount = st.stx_nlink;
    out.mode = st.stx_mode;
    out.device = (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    out.inode = st.stx_ino;
    if (st.stx_attributes_mask & STATX_ATTR_IMMUTABLE) out.immutable = st.stx_attributes & STATX_ATTR_IMMUTABLE;
    if (st.stx_attributes_mask & STATX_ATTR_APPEND) out.appendOnly = st.stx_attributes & STATX_ATTR_APPEND;
    if (!(st.stx_attributes_mask & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) &&
        (out.kind == FileKind::Regular || out.kind == FileKind::Folder))
        readInodeFlags(dirfd, name, out);
    return Status::ok();
}

// A descriptor closed when it goes out of scope.
struct ScopedFd {
    int fd = -1;
    explicit ScopedFd(int f) : fd(f) {}
    ~ScopedFd() {
        if (fd >= 0) ::close(fd);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
};

Status handleOf(int fd, const std::string& path, FolderHandle& out) {
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return Status::fromErrno(e, path);
    }
    out = FolderHandle(fd, (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor, st.stx_ino);
    return Status::ok();
}

// A regular file of the folder opened for reading, without following a link and without blocking on
// a FIFO swapped in, that is still the file the attributes describe.
Status openExpected(const FolderHandle& folder, const std::string& name, const FileAttributes& expected, int& fd) {
    fd = ::openat(folder.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Status::fromErrno(errno, name);
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO | STATX_SIZE, &st) != 0)
        return Status::fromErrno(errno, name);
    const std::uint64_t device = (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    if (!S_ISREG(st.stx_mode) || device != expected.device || st.stx_ino != expected.inode ||
        st.stx_size != expected.size)
        return Status(StatusCode::InvalidArgument, EINVAL, name);
    return Status::ok();
}

// The offset where the data at or after `offset` begins (size when only a hole is left).
off_t nextData(int fd, off_t offset, off_t size) {
    const off_t data = ::lseek(fd, offset, SEEK_DATA);
    if (data < 0) return errno == ENXIO ? size : offset;  // no SEEK_DATA support: all data
    return data;
}

// The offset where the data at `offset` ends (a hole or the end of the file).
off_t nextHole(int fd, off_t offset, off_t size) {
    const off_t hole = ::lseek(fd, offset, SEEK_HOLE);
    return hole < 0 ? size : std::min(hole, size);
}

Status readFully(int fd, char* buffer, std::size_t length, off_t offset, const std::string& name) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, length - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Status::fromErrno(errno, name);
        }
        if (n == 0) return Status(StatusCode::InvalidArgument, EINVAL, name);  // shrank while read
        done += static_cast<std::size_t>(n);
    }
    return Status::ok();
}

constexpr std::size_t kCompareChunk = 256 * 1024;
}  // namespace

namespace {
ReplaceableInstance<FileSystem, LinuxFileSystem>& instance() { return ReplaceableInstance<FileSystem, LinuxFileSystem>::shared(); }
}  // namespace

FileSystem& FileSystem::standard() { return instance().get(); }

void FileSystem::setStandard(std::shared_ptr<FileSystem> fileSystem) { instance().replace(std::move(fileSystem)); }

bool FileSystem::exists(const std::string& path) const {
    FileAttributes a;
    return attributes(path, a).isOk();
}

bool FileSystem::isFolder(const std::string& path) const {
    FileAttributes a;
    return attributes(path, a).isOk() && a.kind == FileKind::Folder;
}

Status LinuxFileSystem::attributes(const std::string& path, FileAttributes& out) const {
    return statxAttributes(AT_FDCWD, path.c_str(), path, out);
}

Status LinuxFileSystem::listFolder(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return Status::fromErrno(errno, path);
    while (struct dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    return Status::ok();
}

bool LinuxFileSystem::isWritable(const std::string& path) const { return ::access(path.c_str(), W_OK) == 0; }

std::string LinuxFileSystem::homeFolder() const {
    // $HOME first, as every Linux tool does, so that sandboxes and tests can redirect it.
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

Status LinuxFileSystem::canonicalPath(const std::string& path, std::string& out) const {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return Status::fromErrno(errno, path);
    out = resolved;
    std::free(resolved);
    return Status::ok();
}

bool LinuxFileSystem::canListFolder(const std::string& path) const { return ::access(path.c_str(), R_OK | X_OK) == 0; }

Status LinuxFileSystem::openFolderNoFollow(const std::string& path, FolderHandle& out) const {
    if (path.empty() || path[0] != '/') return Status(StatusCode::InvalidArgument, EINVAL, path);
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Status::fromErrno(errno, "/");
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) {
            const std::string component = path.substr(start, slash - start);
            if (component == "..") {  // never climbs: a canonical path has none
                ::close(fd);
                return Status(StatusCode::InvalidArgument, EINVAL, path);
            }
            if (component != ".") {
                const int next = ::openat(fd, component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                int e = errno;
                struct stat st {};
                // O_PATH with O_NOFOLLOW reaches the link itself, which is no folder: tell the two apart.
                if (next < 0 && e == ENOTDIR && ::fstatat(fd, component.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(st.st_mode))
                    e = ELOOP;
                ::close(fd);
                if (next < 0) return Status::fromErrno(e, path.substr(0, slash));
                fd = next;
            }
        }
        start = slash + 1;
    }
    return handleOf(fd, path, out);
}

Status LinuxFileSystem::openFolderAt(const FolderHandle& folder, const std::string& name, FolderHandle& out) const {
    const int fd = ::openat(folder.fd(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Status::fromErrno(errno, name);
    return handleOf(fd, name, out);
}

Status LinuxFileSystem::attributesAt(const FolderHandle& folder, const std::string& name, FileAttributes& out) const {
    return statxAttributes(folder.fd(), name.c_str(), name, out);
}

Status LinuxFileSystem::listFolderAt(const FolderHandle& folder, std::vector<std::string>& names) const {
    names.clear();
    const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Status::fromErrno(errno, ".");
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int e = errno;
        ::close(fd);
        return Status::fromErrno(e, ".");
    }
    errno = 0;
    while (struct dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
        errno = 0;
    }
    const int e = errno;
    ::closedir(dir);
    return e ? Status::fromErrno(e, ".") : Status::ok();
}

Status LinuxFileSystem::compareContentsAt(const FolderHandle& folderA, const std::string& nameA,
                                          const FileAttributes& a, const FolderHandle& folderB,
                                          const std::string& nameB, const FileAttributes& b, bool& same) const {
    same = false;
    if (a.size != b.size) return Status::ok();
    int rawA = -1, rawB = -1;
    Status s = openExpected(folderA, nameA, a, rawA);
    ScopedFd fdA(rawA);
    if (!s) return s;
    s = openExpected(folderB, nameB, b, rawB);
    ScopedFd fdB(rawB);
    if (!s) return s;
    const off_t size = static_cast<off_t>(a.size);
    std::vector<char> bufferA(kCompareChunk), bufferB(kCompareChunk);
    off_t offset = 0;
    while (offset < size) {
        // Where both files have a hole, both read as zeros: skip to where either has data.
        const off_t data = std::min(nextData(fdA.fd, offset, size), nextData(fdB.fd, offset, size));
        if (data >= size) break;
        offset = data;
        const off_t end = std::max(nextHole(fdA.fd, offset, size), nextHole(fdB.fd, offset, size));
        while (offset < end) {
            const auto length = static_cast<std::size_t>(std::min<off_t>(end - offset, kCompareChunk));
            if (Status r = readFully(fdA.fd, bufferA.data(), length, offset, nameA); !r) return r;
            if (Status r = readFully(fdB.fd, bufferB.data(), length, offset, nameB); !r) return r;
            if (std::memcmp(bufferA.data(), bufferB.data(), length) != 0) return Status::ok();
            offset += static_cast<off_t>(length);
        }
    }
    same = true;
    return Status::ok();
}

Status LinuxFileSystem::digestAt(const FolderHandle& folder, const std::string& name, const FileAttributes& expected,
                                 std::string& digest) const {
    int raw = -1;
    Status s = openExpected(folder, name, expected, raw);
    ScopedFd fd(raw);
    if (!s) return s;
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return Status(StatusCode::Other, 0, name);
    const off_t size = static_cast<off_t>(expected.size);
    std::vector<char> buffer(kCompareChunk);
    off_t offset = 0;
    while (offset < size) {
        const off_t data = nextData(fd.fd, offset, size);
        if (data >= size) break;
        const off_t end = nextHole(fd.fd, data, size);
        const std::string extent = std::to_string(data) + ":" + std::to_string(end) + ";";
        EVP_DigestUpdate(context.get(), extent.data(), extent.size());
        for (offset = data; offset < end;) {
            const auto length = static_cast<std::size_t>(std::min<off_t>(end - offset, kCompareChunk));
            if (Status r = readFully(fd.fd, buffer.data(), length, offset, name); !r) return r;
            EVP_DigestUpdate(context.get(), buffer.data(), length);
            offset += static_cast<off_t>(length);
        }
    }
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), value, &length) != 1) return Status(StatusCode::Other, 0, name);
    digest.assign(reinterpret_cast<const char*>(value), length);
    return Status::ok();
}
