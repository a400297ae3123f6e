// What the history and restore commands share: the log folder, the log named on the command line
// (a path, a file name in the folder, or the newest with --last), and the restore state of a removed
// copy in words and as JSON. Main thread.
#pragma once

#include <QJsonObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BaseRemovedItem;
class RestoreController;

namespace restore_choice {
// The folder given with --folder, else the application's; empty with `problem` set when there is none.
std::string logFolder(const std::string& given, std::string& problem);
// `log` is a path, or the name of a file in the folder; `last` picks the newest log. Null with
// `problem` set when there is no such log or it cannot be read. The controller comes back loaded.
// With `last`, newer logs that cannot be read are passed over and named in `skipped` ("PATH: reason").
std::shared_ptr<RestoreController> chooseLog(const std::string& folder, const std::string& log, bool last,
                                             std::string& problem, std::vector<std::string>& skipped);

enum class ItemState { Restored, FromTrash, FromKeptCopy, FromRestoredCopy, FromChosenFile, NotRestorable };
struct ItemDescription {
    ItemState state = ItemState::NotRestorable;
    std::string path;  // the restored file, or the file to restore from
    std::string text;  // "restorable from the Trash", "restored at …", "not restorable: …"
};
ItemDescription describe(const BaseRemovedItem& item);
QJsonObject describeJson(const BaseRemovedItem& item);
// "the Trash", "the kept copy PATH", "the restored copy PATH", "PATH"
std::string sourceText(const ItemDescription& description);
// An absolute, lexically normal path ("." and ".." resolved, no trailing "/") from the working folder.
std::string absolutePath(const std::string& path);
}  // namespace restore_choice
