#include "operations/OperationImplementability.h"

#include <cerrno>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Volumes.h"

namespace {
std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// Logical bytes of an entry and everything below it; links count as nothing and are not followed.
std::uint64_t treeSize(const std::string& path, const FileAttributes& attributes) {
    if (attributes.kind == FileKind::Regular) return attributes.size;
    if (attributes.kind != FileKind::Folder) return 0;
    std::vector<std::string> names;
    if (!FileSystem::standard().listFolder(path, names)) return 0;
    std::uint64_t total = 0;
    for (const auto& name : names) {
        FileAttributes child;
        if (FileSystem::standard().attributes(path + "/" + name, child)) total += treeSize(path + "/" + name, child);
    }
    return total;
}

bool onReadOnlyDisk(const std::string& path) {
    const auto volume = Volumes::standard().volumeOfPath(path);
    return volume && volume->readOnly;
}
}  // namespace

OperationImplementability OperationImplementability::forCopy(const std::string& source, const std::string& destination) {
    return check(source, destination, false);
}

OperationImplementability OperationImplementability::forMove(const std::string& source, const std::string& destination) {
    return check(source, destination, true);
}

OperationImplementability OperationImplementability::check(const std::string& source, const std::string& destination,
                                                           bool move) {
    OperationImplementability out;
    const FileSystem& fs = FileSystem::standard();
    out.m_sDestinationParent = parentOf(destination);
    FileAttributes from, parent, taken;
    if (!fs.attributes(source, from)) {
        out.m_eResult = ImplementabilityResult::SourceMissing;
        out.m_sPath = source;
        return out;
    }
    out.m_nSourceSize = treeSize(source, from);
    if (!fs.attributes(out.m_sDestinationParent, parent) || parent.kind != FileKind::Folder) {
        out.m_eResult = ImplementabilityResult::DestinationParentMissing;
        out.m_sPath = out.m_sDestinationParent;
        return out;
    }
    out.m_nDestinationDevice = parent.device;
    if (fs.attributes(destination, taken)) {
        out.m_eResult = ImplementabilityResult::DestinationTaken;
        out.m_sPath = destination;
        return out;
    }
    if (onReadOnlyDisk(out.m_sDestinationParent)) {
        out.m_eResult = ImplementabilityResult::DestinationReadOnlyDisk;
        out.m_sPath = out.m_sDestinationParent;
        return out;
    }
    if (move && onReadOnlyDisk(parentOf(source))) {
        out.m_eResult = ImplementabilityResult::SourceReadOnlyDisk;
        out.m_sPath = source;
        return out;
    }
    const bool withinOneDisk = move && from.device == parent.device;
    out.m_nBytesOnDestination = withinOneDisk ? 0 : out.m_nSourceSize;
    if (!fs.isWritable(out.m_sDestinationParent) || (move && !fs.isWritable(parentOf(source)))) {
        out.m_eResult = ImplementabilityResult::PossibleWithAdministratorPrivileges;
        out.m_sPath = fs.isWritable(out.m_sDestinationParent) ? parentOf(source) : out.m_sDestinationParent;
    }
    return out;
}

Status OperationImplementability::status() const {
    switch (m_eResult) {
        case ImplementabilityResult::PossibleWithNormalPrivileges: return Status::ok();
        case ImplementabilityResult::PossibleWithAdministratorPrivileges: return Status::fromErrno(EACCES, m_sPath);
        case ImplementabilityResult::SourceMissing:
        case ImplementabilityResult::DestinationParentMissing: return Status::fromErrno(ENOENT, m_sPath);
        case ImplementabilityResult::DestinationTaken: return Status::fromErrno(EEXIST, m_sPath);
        case ImplementabilityResult::SourceReadOnlyDisk:
        case ImplementabilityResult::DestinationReadOnlyDisk: return Status::fromErrno(EROFS, m_sPath);
        case ImplementabilityResult::NotEnoughFreeSpace: return Status::fromErrno(ENOSPC, m_sDestinationParent);
    }
    return Status::ok();
}

std::string OperationImplementability::reason() const {
    switch (m_eResult) {
        case ImplementabilityResult::PossibleWithNormalPrivileges: return "";
        case ImplementabilityResult::PossibleWithAdministratorPrivileges:
            return m_sPath + ": not writable for this user";
        case ImplementabilityResult::SourceMissing: return m_sPath + ": the file is no longer there";
        case ImplementabilityResult::DestinationParentMissing: return m_sPath + ": the destination folder is missing";
        case ImplementabilityResult::DestinationTaken: return m_sPath + ": the name is taken; nothing is replaced";
        case ImplementabilityResult::SourceReadOnlyDisk: return m_sPath + ": on a read-only disk";
        case ImplementabilityResult::DestinationReadOnlyDisk: return m_sPath + ": the destination disk is read-only";
        case ImplementabilityResult::NotEnoughFreeSpace:
            return m_sDestinationParent + ": not enough free space on the destination disk";
    }
    return "";
}
