#include "removal/DorvaneToTrashRemover.h"

#include "history/VXLog.h"
#include "platform/FileSystem.h"
#include "platform/UserIdentity.h"
#include "platform/UserPaths.h"

DorvaneToTrashRemover::DorvaneToTrashRemover(std::vector<std::shared_ptr<RemoveErrorInfo>> sourceErrorsInfo,
                                             std::shared_ptr<RemovalSafetyCheck> check,
                                             std::weak_ptr<DuplicatesStandartRemoverListener> listener,
                                             std::string dorvaneCommand)
    : DorvaneRemover(std::move(sourceErrorsInfo), std::move(check), std::move(listener)),
      m_sDorvaneCommand(std::move(dorvaneCommand)) {}

std::vector<std::pair<std::string, std::string>> DorvaneToTrashRemover::parseReport(const std::string& report) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t start = 0;
    std::vector<std::string> fields;
    while (start < report.size()) {
        const auto end = report.find('\0', start);
        if (end == std::string::npos) break;  // an unfinished field is no report
        fields.push_back(report.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) pairs.emplace_back(fields[i], fields[i + 1]);
    return pairs;
}

HelperScript DorvaneToTrashRemover::makeScript(bool administrator, const std::string& resultsFile) const {
    std::string command = HelperScript::quote(m_sDorvaneCommand) + " trash";
    // Run as root, the command is told whose Trash takes the files.
    if (administrator)
        command += " --uid " + std::to_string(user_identity::currentUserId()) + " --data-home " +
                   HelperScript::quote(user_paths::dataHome());
    command += " --print0 --output " + HelperScript::quote(resultsFile);
    return HelperScript::toTrash(std::move(command));
}

DorvaneRemover::Outcome DorvaneToTrashRemover::confirmRemoved(const Entry& entry, const std::string& results) const {
    FileSystem& fs = FileSystem::standard();
    FileAttributes attributes;
    if (fs.attributes(entry.path, attributes).code() != StatusCode::NotFound) return Outcome::Stayed;
    for (const auto& [from, to] : parseReport(results)) {
        if (from != entry.path) continue;
        // …/files/NAME has its record at …/info/NAME.trashinfo.
        const auto slash = to.find_last_of('/');
        const std::string filesFolder = to.substr(0, slash);
        const auto trashEnd = filesFolder.find_last_of('/');
        if (slash == std::string::npos || trashEnd == std::string::npos) continue;
        const std::string info = filesFolder.substr(0, trashEnd) + "/info/" + to.substr(slash + 1) + ".trashinfo";
        if (fs.attributes(to, attributes) && fs.attributes(info, attributes)) {
            VXLog::shared().onItem(entry.item, to);
            return Outcome::Removed;
        }
    }
    // Gone from its place without a trace in the Trash: nothing here can put it back, so the history
    // records it as removed without the Trash, marked as having gone by itself, and the run says so.
    VXLog::shared().onItemGoneElsewhere(entry.item);
    return Outcome::GoneElsewhere;
}
