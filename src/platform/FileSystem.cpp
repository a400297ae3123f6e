#include "platform/FileSystem.h"

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

namespace {
std::mutex g_standardMutex;
std::shared_ptr<FileSystem> g_standard;  // guarded by g_standardMutex

FileKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Folder;
    if (S_ISLNK(mode)) return FileKind::SymbolicLink;
    return FileKind::Other;
}

void readInodeFlags(const std::string& path, FileAttributes& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return;  // unreadable flags count as not set
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        out.immutable = flags & FS_IMMUTABLE_FL;
        out.appendOnly = flags & FS_APPEND_FL;
    }
    ::close(fd);
}
}  // namespace

FileSystem& FileSystem::standard() {
    std::lock_guard lock(g_standardMutex);
    if (!g_standard) g_standard = std::make_shared<LinuxFileSystem>();
    return *g_standard;
}

void FileSystem::setStandard(std::shared_ptr<FileSystem> fileSystem) {
    std::lock_guard lock(g_standardMutex);
    g_standard = std::move(fileSystem);
}

bool FileSystem::exists(const std::string& path) const {
    FileAttributes a;
    return attributes(path, a).isOk();
}

bool FileSystem::isFolder(const std::string& path) const {
    FileAttributes a;
    return attributes(path, a).isOk() && a.kind == FileKind::Folder;
}

Status LinuxFileSystem::attributes(const std::string& path, FileAttributes& out) const {
    struct statx st;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_NLINK | STATX_INO,
                &st) != 0)
        return Status::fromErrno(errno, path);
    out = FileAttributes{};
    out.kind = kindOfMode(st.stx_mode);
    out.size = st.stx_size;
    out.allocatedSize = st.stx_blocks * 512;
    out.modificationSeconds = st.stx_mtime.tv_sec;
    out.modificationNanoseconds = st.stx_mtime.tv_nsec;
    out.linkCount = st.stx_nlink;
    out.mode = st.stx_mode;
    out.device = (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    out.inode = st.stx_ino;
    if (st.stx_attributes_mask & STATX_ATTR_IMMUTABLE) out.immutable = st.stx_attributes & STATX_ATTR_IMMUTABLE;
    if (st.stx_attributes_mask & STATX_ATTR_APPEND) out.appendOnly = st.stx_attributes & STATX_ATTR_APPEND;
    if (!(st.stx_attributes_mask & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) &&
        (out.kind == FileKind::Regular || out.kind == FileKind::Folder))
        readInodeFlags(path, out);
    return Status::ok();
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
