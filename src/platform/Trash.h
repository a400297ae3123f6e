// Moves files and folders to the user's Trash, the freedesktop.org way: the home Trash for the home
// file system, the volume's own Trash folder elsewhere. Trash::standard() may be replaced in tests
// (a full Trash, a Trash that cannot be used). Thread-safe: any thread, any number at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FolderHandle.h"
#include "platform/Status.h"

enum class TrashOutcome {
    Moved,             // the item is in the Trash, at pathInTrash
    TrashUnavailable,  // no Trash can be used on the item's volume (missing, unsafe, cannot be created)
    Failed,            // a Trash exists but the move failed: status says why (errno, path)
};

struct TrashResult {
    TrashOutcome outcome = TrashOutcome::Moved;
    Status status;            // ok when moved; the failing call otherwise
    std::string pathInTrash;  // the item's new path (…/files/NAME) when moved
    std::string trashFolder;  // the Trash folder used or looked at (holding files/ and info/), when known

    bool isOk() const { return outcome == TrashOutcome::Moved; }
    bool isTrashUnavailable() const { return outcome == TrashOutcome::TrashUnavailable; }
};

class Trash {
public:
    virtual ~Trash() = default;

    static Trash& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the freedesktop one.
    static void setStandard(std::shared_ptr<Trash> trash);

    // Moves the entry `name` of an open folder (a symbolic link is moved as the link) into the Trash of
    // its volume, under a name that is unique there, with its .trashinfo record; `path` is the entry's
    // absolute path, recorded as where it came from.
    virtual TrashResult moveToTrashAt(const FolderHandle& parent, const std::string& name, const std::string& path) = 0;
    // The same for an absolute path, its folder reached without following a link.
    TrashResult moveToTrash(const std::string& path);
    // The Trash folder that would take the item, created when missing (outcome Moved means usable;
    // pathInTrash stays empty). Lets error classification ask whether a volume has a usable Trash.
    virtual TrashResult trashFolderFor(const std::string& path) = 0;
};

// The freedesktop.org Trash: $XDG_DATA_HOME/Trash for items on the home file system, otherwise
// $topdir/.Trash/$uid (when .Trash is a real folder with the sticky bit) or $topdir/.Trash-$uid.
class FreedesktopTrash : public Trash {
public:
    TrashResult moveToTrashAt(const FolderHandle& parent, const std::string& name, const std::string& path) override;
    TrashResult trashFolderFor(const std::string& path) override;

    // "Path=" value of a .trashinfo: every byte but the unreserved ones and "/" as %XX.
    static std::string percentEncodePath(const std::string& path);
    static std::string percentDecodePath(const std::string& text);
    // The whole .trashinfo text for an original path and a local time "YYYY-MM-DDThh:mm:ss".
    static std::string trashInfoText(const std::string& originalPath, const std::string& deletionDate);
    // The n-th candidate name in files/ for a name (n = 1 is the name itself, then "stem.2.ext" …).
    static std::string candidateName(const std::string& name, int n);

    // $XDG_DATA_HOME/Trash with files/ and info/, created when missing.
    static TrashResult homeTrashFolder();
    // The Trash of the volume mounted at `topDirectory` for the user: .Trash/<uid> when .Trash is a
    // real folder with the sticky bit, else .Trash-<uid>; created when missing, refused when unsafe.
    static TrashResult topDirectoryTrashFolder(const std::string& topDirectory, std::uint32_t uid);
    // After a move made as root for another user: the Trash folder, its files/ and info/ and the item's
    // .trashinfo record are given to `uid` (and its primary group), so the user can empty and restore.
    static Status handOverToUser(const TrashResult& moved, std::uint32_t uid);
};
