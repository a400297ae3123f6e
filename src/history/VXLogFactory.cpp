#include "history/VXLogFactory.h"

#include <ctime>

#include "history/AppBundle.h"
#include "history/AtomicWriteToFileProvider.h"
#include "history/JObject.h"
#include "history/RemoveDate.h"
#include "history/RemoveLog.h"
#include "history/WriterToJSON.h"
#include "platform/UserPaths.h"

std::optional<std::string> VXLogFactory::systemLogFolderPath() {
    std::string folder = user_paths::dataHome();
    if (folder.empty()) return std::nullopt;
    return folder;
}

std::optional<std::string> VXLogFactory::logFolderPath() {
    const auto system = systemLogFolderPath();
    const std::string name = app_bundle::appName();
    if (!system || name.empty()) return std::nullopt;
    return *system + "/" + name + "/Removed";
}

std::string VXLogFactory::fileNameOfLogCreatedOnDate(std::int64_t secondsSince1970) {
    return remove_date::removeDateToString(secondsSince1970) + ".log";
}

std::shared_ptr<WritableLog> VXLogFactory::createEmptyLog() { return RemoveLog::create(shared_from_this()); }

std::shared_ptr<WriteProvider> VXLogFactory::generateWriteProviderForLog(const Log&) {
    return std::make_shared<AtomicWriteToFileProvider>(weak_from_this());
}

std::shared_ptr<JWriter> VXLogFactory::generateWriterForLog(const Log&) { return std::make_shared<WriterToJSON>(); }

std::shared_ptr<JValue> VXLogFactory::prepareForWriteRootObject(const std::shared_ptr<JObject>& root, const Log&) {
    if (!root || !RemoveLog::isHasChangesRootObject(*root)) return nullptr;
    return RemoveLog::convertChangesKeysToOrderedIndexesInObject(*root);
}

std::optional<std::string> VXLogFactory::logFolderPathForWriteProvider(const WriteProvider&) { return logFolderPath(); }

std::optional<std::string> VXLogFactory::logFileNameForObject(const std::shared_ptr<JValue>&, const Log& log,
                                                              const JWriter*) {
    if (const auto* removeLog = dynamic_cast<const RemoveLog*>(&log))
        return fileNameOfLogCreatedOnDate(removeLog->creationDate());
    return fileNameOfLogCreatedOnDate(static_cast<std::int64_t>(std::time(nullptr)));
}
