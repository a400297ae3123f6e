#include "history/VXLogFactory.h"

#include <cerrno>
#include <ctime>

#include "history/AppBundle.h"
#include "history/JObject.h"
#include "history/RemoveDate.h"
#include "history/RemoveLog.h"
#include "history/WriteToFileProvider.h"
#include "history/WriterToJSON.h"
#include "platform/FileContents.h"
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

std::optional<std::int64_t> VXLogFactory::dateOfLogFileName(const std::string& name, int& sequence) {
    static const std::string kSuffix = ".log";
    if (name.size() < kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return std::nullopt;
    std::string stem = name;
    for (auto at = stem.find(kSuffix); at != std::string::npos; at = stem.find(kSuffix)) stem.erase(at, kSuffix.size());
    sequence = 1;
    if (const auto date = remove_date::removeDateFromString(stem)) return date;
    // "… 2": a number from 2 without leading zeros, after the last space.
    const std::size_t space = stem.rfind(' ');
    if (space == std::string::npos) return std::nullopt;
    const std::string number = stem.substr(space + 1);
    if (number.empty() || number.size() > 6 || number[0] < '1' || number[0] > '9' ||
        number.find_first_not_of("0123456789") != std::string::npos || number == "1")
        return std::nullopt;
    const auto date = remove_date::removeDateFromString(stem.substr(0, space));
    if (date) sequence = std::stoi(number);
    return date;
}

Status VXLogFactory::ensureLogFolderWritable() {
    const auto folder = logFolderPath();
    if (!folder) return Status::fromErrno(ENOENT, "the folder for removal logs");
    return file_contents::proveFolderWritable(*folder);
}

std::shared_ptr<WritableLog> VXLogFactory::createEmptyLog() { return RemoveLog::create(shared_from_this()); }

std::shared_ptr<WriteProvider> VXLogFactory::generateWriteProviderForLog(const Log&) {
    return std::make_shared<WriteToFileProvider>(weak_from_this());
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
