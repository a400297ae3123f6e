#include "app/FolderAdmission.h"

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "platform/Volumes.h"
#include "scan/ExcludeChecker.h"
#include "scan/PathsGenerator.h"

namespace {
bool isSameOrInside(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || path[folder.size()] == '/' || folder == "/";
}

std::string nameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? path : name;
}
}  // namespace

bool FolderAdmission::isInBackups(const std::string& canonicalPath) {
    static const std::string snapshots = "/timeshift/snapshots";
    for (auto at = canonicalPath.find(snapshots); at != std::string::npos; at = canonicalPath.find(snapshots, at + 1)) {
        const std::size_t end = at + snapshots.size();
        if (end == canonicalPath.size() || canonicalPath[end] == '/') return true;
    }
    auto volume = Volumes::standard().volumeOfPath(canonicalPath);
    if (!volume) return false;
    std::string backups = volume->mountPoint;
    if (backups.empty() || backups.back() != '/') backups.push_back('/');
    backups += PathsGenerator::GetInstance().backupsFolderName();
    return isSameOrInside(canonicalPath, backups);
}

FolderAdmission FolderAdmission::check(const std::string& given, Checks checks) {
    FolderAdmission a;
    a.given = given;
    FileSystem& fs = FileSystem::standard();
    std::string path;
    if (Status s = fs.canonicalPath(given, path); !s) {
        a.refusal = Refusal::CannotResolve;
        const std::string why =
            s.sysErrno() == ENOENT ? std::string("no such folder") : Status(s.code(), s.sysErrno(), "").message();
        a.reason = "'" + given + "': " + why;
        return a;
    }
    a.path = path;
    if (!fs.isFolder(path)) {
        a.refusal = Refusal::NotAFolder;
        a.reason = "'" + given + "': not a folder";
        return a;
    }
    if (!fs.canListFolder(path)) {
        a.refusal = Refusal::Unreadable;
        a.reason = "'" + given + "': cannot be read (permission denied)";
        return a;
    }
    if (checks == Checks::Basic) return a;

    if (isInBackups(path)) {
        a.refusal = Refusal::BackupsFolder;
        a.reason = "'" + given + "': a backups folder";
        return a;
    }
    if (auto volume = Volumes::standard().volumeOfPath(path); volume && volume->readOnly) {
        a.refusal = volume->isNtfs() ? Refusal::ReadOnlyNtfsVolume : Refusal::ReadOnlyVolume;
        a.reason = "'" + given + "': on a read-only volume";
        return a;
    }
    if (ExcludeChecker(false).isPathExcluded(path)) {
        a.refusal = Refusal::Excluded;
        a.reason = "'" + given + "': excluded from scans in the settings";
        return a;
    }
    return a;
}

std::string FolderAdmission::alertMessage() const {
    if (refusal == Refusal::None) return {};
    return "Cannot add folder \"" + nameOf(path.empty() ? given : path) + "\" to scan";
}

std::string FolderAdmission::alertInformativeText() const {
    switch (refusal) {
        case Refusal::None: return {};
        case Refusal::CannotResolve: return "The folder was deleted or moved.";
        case Refusal::NotAFolder: return "Only folders can be scanned.";
        case Refusal::Unreadable: return "You do not have permission to read this folder.";
        case Refusal::BackupsFolder: return "The folder holds backups. Backups are not scanned for duplicates.";
        case Refusal::ReadOnlyVolume:
            return "The folder is on a volume mounted read-only. Duplicates found there could not be removed.";
        case Refusal::ReadOnlyNtfsVolume:
            return "The folder is on an NTFS volume mounted read-only.\nMount it for writing (the ntfs3 or ntfs-3g "
                   "driver) to remove duplicates there.";
        case Refusal::Excluded: return "The folder is in the list of folders excluded from scanning.";
    }
    return {};
}
