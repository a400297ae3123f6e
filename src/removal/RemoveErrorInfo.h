// One copy the removal could not remove: the copy, the error the file system gave (if any), the
// obstacles found on the copy, its parent folder and its volume when the failure was made, and the
// failure group derived from them. Created on a remove queue; read-only afterwards (any thread).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Status.h"
#include "removal/DefaultRemoverErrorGroupType.h"

class DuplicateItem;

// Obstacle codes, as bit positions of errorTypes().
enum class RemoveObstacle : std::uint8_t {
    ParentNotWritable = 0,
    ParentLocked = 1,
    FolderNotWritable = 2,
    ItemLocked = 3,
    NoTrash = 4,
    ReadOnlyVolume = 5,
    VolumeNotLocal = 6,
    NtfsVolume = 7,
    HardLinkedFolder = 8,
};

class RemoveErrorInfo {
public:
    // Inspects the copy at `path` at once and derives the group. `toTrash` says whether the removal
    // went to the Trash: only then is a missing Trash an obstacle (asking for one may create it).
    RemoveErrorInfo(std::shared_ptr<DuplicateItem> item, std::optional<Status> error, std::string path,
                    bool isDirectory, bool toTrash = true);
    // A copy kept because it no longer matched the scan just before its removal: no inspection, the
    // group is NotRemoved (it is never offered to a helper), the reason says what differed.
    static std::shared_ptr<RemoveErrorInfo> createNotVerified(std::shared_ptr<DuplicateItem> item, std::string path,
                                                              bool isDirectory, std::string reason);
    RemoveErrorInfo(const RemoveErrorInfo&) = delete;
    RemoveErrorInfo& operator=(const RemoveErrorInfo&) = delete;

    const std::shared_ptr<DuplicateItem>& item() const { return m_pItem; }
    const std::optional<Status>& error() const { return m_error; }
    const std::string& path() const { return m_sPath; }
    std::string name() const;
    bool isDirectory() const { return m_bIsDirectory; }
    std::uint16_t errorTypes() const { return m_nErrorTypes; }
    bool hasErrorType(RemoveObstacle obstacle) const { return m_nErrorTypes & bit(obstacle); }
    DefaultRemoverErrorGroupType removeGroupType() const { return m_eRemoveGroupType; }
    // Not empty for a copy kept by the check before removal.
    const std::string& notVerifiedReason() const { return m_sNotVerifiedReason; }
    // One line for reports: the reason, else the error's message, else "unknown error".
    std::string reasonText() const;

    // The group rule, first match wins: read-only volume (NTFS or not), network volume, hard-linked
    // folder, locked, no Trash or no write permission, else Unknown.
    static DefaultRemoverErrorGroupType groupTypeForErrorTypes(std::uint16_t errorTypes);
    static std::uint16_t bit(RemoveObstacle obstacle) { return std::uint16_t(1u << unsigned(obstacle)); }

private:
    RemoveErrorInfo() = default;
    void inspect(bool toTrash);

    std::shared_ptr<DuplicateItem> m_pItem;
    std::optional<Status> m_error;
    std::string m_sPath;
    std::string m_sNotVerifiedReason;
    std::uint16_t m_nErrorTypes = 0;
    DefaultRemoverErrorGroupType m_eRemoveGroupType = DefaultRemoverErrorGroupType::Unknown;
    bool m_bIsDirectory = false;
};
