#include "platform/FileRemover.h"

#include "platform/ReplaceableInstance.h"

#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

std::string join(const std::string& folder, std::string_view name) {
    std::string out = folder;
    if (out.empty() || out.back() != '/') out += '/';
    out.append(name);
    return out;
}

// Removes the entry `name` of the open folder `parentFd`; `path` is its full path for the status.
Status removeAt(int parentFd, const char* name, const std::string& path, bool knownFolder) {
    bool isFolder = knownFolder;
    if (!isFolder) {
        if (unlinkat(parentFd, name, 0) == 0) return Status::ok();
        if (errno != EISDIR && errno != EPERM) return Status::fromErrno(errno, path);
        // unlink of a folder fails with EISDIR (or EPERM on some file systems): look at it.
        struct stat st {};
        if (fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Status::fromErrno(errno, path);
        if (!S_ISDIR(st.st_mode)) return Status::fromErrno(EPERM, path);
        isFolder = true;
    }
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A folder that cannot be opened may still be empty and removable.
        if (unlinkat(parentFd, name, AT_REMOVEDIR) == 0) return Status::ok();
        return Status::fromErrno(errno, path);
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        int e = errno;
        close(fd);
        return Status::fromErrno(e, path);
    }
    Status result;
    errno = 0;
    while (dirent* entry = readdir(dir)) {
        std::string_view child(entry->d_name);
        if (child == "." || child == "..") continue;
        Status s = removeAt(dirfd(dir), entry->d_name, join(path, child), entry->d_type == DT_DIR);
        if (!s) {
            result = s;
            break;
        }
        errno = 0;
    }
    if (result.isOk() && errno != 0) result = Status::fromErrno(errno, path);
    closedir(dir);
    if (!result) return result;
    if (unlinkat(parentFd, name, AT_REMOVEDIR) != 0) return Status::fromErrno(errno, path);
    return Status::ok();
}
}  // namespace

namespace {
ReplaceableInstance<FileRemover, LinuxFileRemover>& instance() { return ReplaceableInstance<FileRemover, LinuxFileRemover>::shared(); }
}  // namespace

FileRemover& FileRemover::standard() { return instance().get(); }

void FileRemover::setStandard(std::shared_ptr<FileRemover> remover) { instance().replace(std::move(remover)); }

Status FileRemover::removeItem(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos || slash + 1 == trimmed.size()) return Status::fromErrno(EINVAL, path);
    FolderHandle parent;
    if (Status s = FileSystem::standard().openFolderNoFollow(slash == 0 ? "/" : trimmed.substr(0, slash), parent); !s)
        return Status(s.code(), s.sysErrno(), path);
    return removeItemAt(parent, trimmed.substr(slash + 1), trimmed);
}

Status LinuxFileRemover::removeItemAt(const FolderHandle& parent, const std::string& name, const std::string& path) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return Status::fromErrno(EINVAL, path);
    return removeAt(parent.fd(), name.c_str(), path, false);
}
