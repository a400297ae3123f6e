#include "platform/Trash.h"

#include "platform/ReplaceableInstance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/UserIdentity.h"
#include "platform/UserPaths.h"
#include "platform/Volumes.h"

namespace {

constexpr int kMaxCandidates = 100000;
constexpr std::size_t kInfoSuffixLength = 10;  // ".trashinfo"

TrashResult unavailable(Status status, std::string folder) {
    TrashResult r;
    r.outcome = TrashOutcome::TrashUnavailable;
    r.status = std::move(status);
    r.trashFolder = std::move(folder);
    return r;
}

TrashResult failed(Status status, std::string folder) {
    TrashResult r;
    r.outcome = TrashOutcome::Failed;
    r.status = std::move(status);
    r.trashFolder = std::move(folder);
    return r;
}

TrashResult usable(std::string folder) {
    TrashResult r;
    r.trashFolder = std::move(folder);
    return r;
}

// A real folder (not a link) at the path, created with the mode when missing.
Status ensureFolder(const std::string& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0) return Status::ok();
    const int e = errno;
    if (e != EEXIST) return Status::fromErrno(e, path);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Status::fromErrno(errno, path);
    if (!S_ISDIR(st.st_mode)) return Status::fromErrno(S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR, path);
    return Status::ok();
}

// Every missing folder of the path, parents first.
Status ensureFolders(const std::string& path, mode_t mode) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        struct stat st {};
        if (::stat(prefix.c_str(), &st) == 0) continue;
        if (::mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) return Status::fromErrno(errno, prefix);
    }
    return ensureFolder(path, mode);
}

// files/ and info/ inside a Trash folder that exists.
TrashResult withSubfolders(const std::string& trash) {
    for (const char* sub : {"/files", "/info"}) {
        Status s = ensureFolder(trash + sub, 0700);
        if (!s) return unavailable(std::move(s), trash);
    }
    return usable(trash);
}

std::string absolutePath(const std::string& path) {
    std::string abs = path;
    if (abs.empty() || abs[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) abs = std::string(cwd) + "/" + path;
    }
    while (abs.size() > 1 && abs.back() == '/') abs.pop_back();
    return abs;
}

// The device of the path, or of its nearest existing ancestor.
bool deviceOf(std::string path, dev_t& device) {
    while (!path.empty()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos) return false;
        path = slash == 0 ? (path == "/" ? std::string() : std::string("/")) : path.substr(0, slash);
    }
    return false;
}

bool isInside(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

std::string localDeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Drops bytes from the end of the name's stem, never splitting a UTF-8 sequence.
std::string shortened(const std::string& name, std::size_t maxBytes) {
    if (name.size() <= maxBytes) return name;
    const auto dot = name.find_last_of('.');
    std::string ext = (dot != std::string::npos && dot > 0 && name.size() - dot <= 16) ? name.substr(dot) : "";
    if (ext.size() >= maxBytes) ext.clear();
    std::size_t keep = maxBytes - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + ext;
}

Status writeAll(int fd, const std::string& text, const std::string& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Status::fromErrno(errno, path);
        }
        done += static_cast<std::size_t>(n);
    }
    return Status::ok();
}
}  // namespace

namespace {
ReplaceableInstance<Trash, FreedesktopTrash>& instance() { return ReplaceableInstance<Trash, FreedesktopTrash>::shared(); }
}  // namespace

Trash& Trash::standard() { return instance().get(); }

void Trash::setStandard(std::shared_ptr<Trash> trash) { instance().replace(std::move(trash)); }

std::string FreedesktopTrash::percentEncodePath(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.' || c == '~' || c == '/';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string FreedesktopTrash::percentDecodePath(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FreedesktopTrash::trashInfoText(const std::string& originalPath, const std::string& deletionDate) {
    return "[Trash Info]\nPath=" + percentEncodePath(originalPath) + "\nDeletionDate=" + deletionDate + "\n";
}

std::string FreedesktopTrash::candidateName(const std::string& name, int n) {
    if (n <= 1) return name;
    const auto dot = name.find_last_of('.');
    const std::string suffix = "." + std::to_string(n);
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

TrashResult FreedesktopTrash::homeTrashFolder() {
    const std::string dataHome = user_paths::dataHome();
    const std::string trash = dataHome + "/Trash";
    Status s = ensureFolders(dataHome, 0700);
    if (!s) return unavailable(std::move(s), trash);
    s = ensureFolder(trash, 0700);
    if (!s) return unavailable(std::move(s), trash);
    return withSubfolders(trash);
}

TrashResult FreedesktopTrash::topDirectoryTrashFolder(const std::string& topDirectory, std::uint32_t uid) {
    const std::string top = topDirectory == "/" ? std::string() : topDirectory;
    const std::string uidText = std::to_string(uid);

    // The administrator's shared .Trash: only a real folder with the sticky bit is trusted.
    const std::string shared = top + "/.Trash";
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string own = shared + "/" + uidText;
        if (ensureFolder(own, 0700)) {
            struct stat ownStat {};
            if (::lstat(own.c_str(), &ownStat) == 0 && ownStat.st_uid == uid) return withSubfolders(own);
        }
    }

    const std::string own = top + "/.Trash-" + uidText;
    Status s = ensureFolder(own, 0700);
    if (!s) return unavailable(std::move(s), own);
    struct stat ownStat {};
    if (::lstat(own.c_str(), &ownStat) != 0) return unavailable(Status::fromErrno(errno, own), own);
    if (ownStat.st_uid != uid) return unavailable(Status::fromErrno(EPERM, own), own);
    return withSubfolders(own);
}

TrashResult FreedesktopTrash::trashFolderFor(const std::string& path) {
    const std::string abs = absolutePath(path);
    dev_t itemDevice = 0;
    if (!deviceOf(abs, itemDevice)) return failed(Status::fromErrno(ENOENT, abs), {});
    dev_t homeDevice = 0;
    const std::string dataHome = user_paths::dataHome();
    if (deviceOf(dataHome + "/Trash", homeDevice) && homeDevice == itemDevice) return homeTrashFolder();

    const auto volume = Volumes::standard().volumeOfPath(abs);
    if (!volume || volume->mountPoint.empty()) return unavailable(Status::fromErrno(ENOENT, abs), {});
    return topDirectoryTrashFolder(volume->mountPoint, user_identity::currentUserId());
}

TrashResult Trash::moveToTrash(const std::string& path) {
    const std::string abs = absolutePath(path);
    const auto slash = abs.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == abs.size()) return failed(Status::fromErrno(EINVAL, abs), {});
    FolderHandle parent;
    if (Status s = FileSystem::standard().openFolderNoFollow(slash == 0 ? "/" : abs.substr(0, slash), parent); !s)
        return failed(Status(s.code(), s.sysErrno(), abs), {});
    return moveToTrashAt(parent, abs.substr(slash + 1), abs);
}

TrashResult FreedesktopTrash::moveToTrashAt(const FolderHandle& parent, const std::string& entryName,
                                            const std::string& path) {
    const std::string abs = absolutePath(path);
    struct stat st {};
    if (entryName.empty() || entryName.find('/') != std::string::npos)
        return failed(Status::fromErrno(EINVAL, abs), {});
    if (::fstatat(parent.fd(), entryName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return failed(Status::fromErrno(errno, abs), {});

    TrashResult folder = trashFolderFor(abs);
    if (!folder.isOk()) return folder;
    const std::string& trash = folder.trashFolder;
    if (isInside(trash, abs) || isInside(abs, trash)) return failed(Status::fromErrno(EINVAL, abs), trash);

    std::string name = abs.substr(abs.find_last_of('/') + 1);
    if (name.empty() || name == "." || name == "..") return failed(Status::fromErrno(EINVAL, abs), trash);
    const std::string infoText = trashInfoText(abs, localDeletionDate());

    for (int n = 1; n <= kMaxCandidates; ++n) {
        const std::string candidate = candidateName(name, n);
        const std::string infoPath = trash + "/info/" + candidate + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int e = errno;
            if (e == EEXIST) continue;
            if (e == ENAMETOOLONG && name.size() > 1) {
                const std::size_t limit = NAME_MAX - kInfoSuffixLength - 8;  // room for ".NNNNNN"
                if (name.size() > limit) {
                    name = shortened(name, limit);
                    n = 0;
                    continue;
                }
            }
            return failed(Status::fromErrno(e, infoPath), trash);
        }
        const std::string filesPath = trash + "/files/" + candidate;
        struct stat existing {};
        if (::lstat(filesPath.c_str(), &existing) == 0) {  // left without its record: keep it, skip the name
            ::close(fd);
            ::unlink(infoPath.c_str());
            continue;
        }
        Status written = writeAll(fd, infoText, infoPath);
        if (::close(fd) != 0 && written) written = Status::fromErrno(errno, infoPath);
        if (!written) {
            ::unlink(infoPath.c_str());
            return failed(std::move(written), trash);
        }
        if (::renameat(parent.fd(), entryName.c_str(), AT_FDCWD, filesPath.c_str()) != 0) {
            const int e = errno;
            ::unlink(infoPath.c_str());
            return failed(Status::fromErrno(e, abs), trash);
        }
        TrashResult moved = usable(trash);
        moved.pathInTrash = filesPath;
        return moved;
    }
    return failed(Status::fromErrno(EEXIST, trash + "/files"), trash);
}

Status FreedesktopTrash::handOverToUser(const TrashResult& moved, std::uint32_t uid) {
    if (!moved.isOk() || moved.trashFolder.empty() || moved.pathInTrash.empty()) return Status::fromErrno(EINVAL, {});
    gid_t gid = static_cast<gid_t>(-1);
    if (const struct passwd* user = ::getpwuid(uid)) gid = user->pw_gid;
    const std::string name = moved.pathInTrash.substr(moved.pathInTrash.find_last_of('/') + 1);
    for (const std::string& path : {moved.trashFolder, moved.trashFolder + "/files", moved.trashFolder + "/info",
                                    moved.trashFolder + "/info/" + name + ".trashinfo"})
        if (::lchown(path.c_str(), uid, gid) != 0) return Status::fromErrno(errno, path);
    return Status::ok();
}
