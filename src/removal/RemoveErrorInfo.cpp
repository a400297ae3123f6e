#include "removal/RemoveErrorInfo.h"

#include <vector>

#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"

const char* groupTypeName(DefaultRemoverErrorGroupType type) {
    switch (type) {
        case DefaultRemoverErrorGroupType::ReadOnlyAccess: return "ReadOnlyAccess";
        case DefaultRemoverErrorGroupType::LockedFiles: return "LockedFiles";
        case DefaultRemoverErrorGroupType::HardLinkFolder: return "HardLinkFolder";
        case DefaultRemoverErrorGroupType::NetworkDisk: return "NetworkDisk";
        case DefaultRemoverErrorGroupType::ReadOnlyNTFSDisk: return "ReadOnlyNTFSDisk";
        case DefaultRemoverErrorGroupType::ReadOnlyDisk: return "ReadOnlyDisk";
        case DefaultRemoverErrorGroupType::Unknown: return "Unknown";
        case DefaultRemoverErrorGroupType::NotRemoved: return "NotRemoved";
    }
    return "Unknown";
}

namespace {
std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Linux has no hard links to folders on its common file systems; a folder's link count is 2 plus
// its subfolders there (1 on btrfs). A count above that means real extra links (a file system that
// allows them, such as one written by another system).
bool isHardLinkedFolder(const std::string& path, std::uint32_t linkCount) {
    if (linkCount <= 2) return false;
    FileSystem& fs = FileSystem::standard();
    std::vector<std::string> names;
    if (!fs.listFolder(path, names)) return false;
    std::uint32_t subfolders = 0;
    for (const auto& name : names) {
        FileAttributes child;
        if (fs.attributes(path + "/" + name, child) && child.kind == FileKind::Folder) ++subfolders;
    }
    return linkCount > 2 + subfolders;
}
}  // namespace

RemoveErrorInfo::RemoveErrorInfo(std::shared_ptr<DuplicateItem> item, std::optional<Status> error, std::string path,
                                 bool isDirectory, bool toTrash)
    : m_pItem(std::move(item)), m_error(std::move(error)), m_sPath(std::move(path)), m_bIsDirectory(isDirectory) {
    inspect(toTrash);
    m_eRemoveGroupType = groupTypeForErrorTypes(m_nErrorTypes);
}

std::shared_ptr<RemoveErrorInfo> RemoveErrorInfo::createNotVerified(std::shared_ptr<DuplicateItem> item,
                                                                    std::string path, bool isDirectory,
                                                                    std::string reason) {
    std::shared_ptr<RemoveErrorInfo> info(new RemoveErrorInfo());
    info->m_pItem = std::move(item);
    info->m_sPath = std::move(path);
    info->m_bIsDirectory = isDirectory;
    info->m_sNotVerifiedReason = std::move(reason);
    info->m_eRemoveGroupType = DefaultRemoverErrorGroupType::NotRemoved;
    return info;
}

void RemoveErrorInfo::inspect(bool toTrash) {
    if (m_sPath.empty()) return;
    FileSystem& fs = FileSystem::standard();
    auto set = [this](RemoveObstacle o) { m_nErrorTypes |= bit(o); };
    const std::string parent = parentOf(m_sPath);

    // A flag that cannot be read counts as not set.
    if (!fs.isWritable(parent)) set(RemoveObstacle::ParentNotWritable);
    FileAttributes parentAttributes;
    if (fs.attributes(parent, parentAttributes) && (parentAttributes.immutable || parentAttributes.appendOnly))
        set(RemoveObstacle::ParentLocked);

    FileAttributes attributes;
    const bool haveAttributes = fs.attributes(m_sPath, attributes).isOk();
    if (m_bIsDirectory && haveAttributes && attributes.kind == FileKind::Folder && !fs.isWritable(m_sPath))
        set(RemoveObstacle::FolderNotWritable);
    if (haveAttributes && (attributes.immutable || attributes.appendOnly)) set(RemoveObstacle::ItemLocked);
    if (m_bIsDirectory && haveAttributes && attributes.kind == FileKind::Folder &&
        isHardLinkedFolder(m_sPath, attributes.linkCount))
        set(RemoveObstacle::HardLinkedFolder);

    if (toTrash && Trash::standard().trashFolderFor(m_sPath).isTrashUnavailable()) set(RemoveObstacle::NoTrash);

    if (auto volume = Volumes::standard().volumeOfPath(m_sPath)) {
        if (volume->readOnly) {
            set(RemoveObstacle::ReadOnlyVolume);
            if (volume->isNtfs()) set(RemoveObstacle::NtfsVolume);
        }
        if (!volume->local) set(RemoveObstacle::VolumeNotLocal);
    }
}

DefaultRemoverErrorGroupType RemoveErrorInfo::groupTypeForErrorTypes(std::uint16_t types) {
    auto has = [types](RemoveObstacle o) { return (types & bit(o)) != 0; };
    if (has(RemoveObstacle::ReadOnlyVolume))
        return has(RemoveObstacle::NtfsVolume) ? DefaultRemoverErrorGroupType::ReadOnlyNTFSDisk
                                               : DefaultRemoverErrorGroupType::ReadOnlyDisk;
    if (has(RemoveObstacle::VolumeNotLocal)) return DefaultRemoverErrorGroupType::NetworkDisk;
    if (has(RemoveObstacle::HardLinkedFolder)) return DefaultRemoverErrorGroupType::HardLinkFolder;
    if (has(RemoveObstacle::ItemLocked) || has(RemoveObstacle::ParentLocked))
        return DefaultRemoverErrorGroupType::LockedFiles;
    if (has(RemoveObstacle::NoTrash) || has(RemoveObstacle::ParentNotWritable) ||
        has(RemoveObstacle::FolderNotWritable))
        return DefaultRemoverErrorGroupType::ReadOnlyAccess;
    return DefaultRemoverErrorGroupType::Unknown;
}

std::string RemoveErrorInfo::name() const {
    const auto slash = m_sPath.rfind('/');
    return slash == std::string::npos ? m_sPath : m_sPath.substr(slash + 1);
}

std::string RemoveErrorInfo::reasonText() const {
    if (!m_sNotVerifiedReason.empty()) return m_sNotVerifiedReason;
    std::string text;
    if (m_error && !m_error->isOk()) text = m_error->message();
    const char* obstacle = nullptr;
    switch (m_eRemoveGroupType) {
        case DefaultRemoverErrorGroupType::ReadOnlyAccess: obstacle = "no permission to change its folder"; break;
        case DefaultRemoverErrorGroupType::LockedFiles: obstacle = "locked (immutable or append-only)"; break;
        case DefaultRemoverErrorGroupType::HardLinkFolder: obstacle = "a folder with hard links"; break;
        case DefaultRemoverErrorGroupType::NetworkDisk: obstacle = "on a network disk"; break;
        case DefaultRemoverErrorGroupType::ReadOnlyNTFSDisk: obstacle = "on a read-only NTFS disk"; break;
        case DefaultRemoverErrorGroupType::ReadOnlyDisk: obstacle = "on a read-only disk"; break;
        default: break;
    }
    if (obstacle) text = text.empty() ? obstacle : text + " (" + obstacle + ")";
    if (hasErrorType(RemoveObstacle::NoTrash)) text += text.empty() ? "no usable Trash on its disk" : ", no usable Trash on its disk";
    return text.empty() ? "unknown error" : text;
}
