#include "platform/ProcessRights.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/ReplaceableInstance.h"

namespace {
ReplaceableInstance<ProcessRights, LinuxProcessRights>& instance() {
    return ReplaceableInstance<ProcessRights, LinuxProcessRights>::shared();
}
constexpr unsigned kCapLinuxImmutable = 9;
}  // namespace

ProcessRights& ProcessRights::standard() { return instance().get(); }

void ProcessRights::setStandard(std::shared_ptr<ProcessRights> rights) { instance().replace(std::move(rights)); }

bool LinuxProcessRights::isAdministrator() const { return ::geteuid() == 0; }

bool LinuxProcessRights::canChangeFileFlags() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) != 0) continue;
        try {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> kCapLinuxImmutable) & 1u;
        } catch (...) {
            return false;
        }
    }
    return false;
}

bool LinuxProcessRights::needsAdministratorToRemove(const std::string& path, const std::string& parentPath,
                                                    bool isDirectory, bool locked) const {
    if (isAdministrator()) return false;
    if (locked && !canChangeFileFlags()) return true;
    // The effective ids decide, as they will for the script run as this user.
    if (::faccessat(AT_FDCWD, parentPath.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return true;
    struct stat folder {}, entry {};
    if (::lstat(parentPath.c_str(), &folder) != 0 || ::lstat(path.c_str(), &entry) != 0) return false;
    if ((folder.st_mode & S_ISVTX) && entry.st_uid != ::geteuid() && folder.st_uid != ::geteuid()) return true;
    if (isDirectory && S_ISDIR(entry.st_mode) &&
        ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    return false;
}
