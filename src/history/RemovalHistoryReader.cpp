#include "history/RemovalHistoryReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cerrno>
#include <map>

#include "history/KeptItem.h"
#include "history/PermanentlyRemovedItem.h"
#include "history/RemoveDate.h"
#include "history/RestoreItem.h"
#include "history/VXLogFactory.h"
#include "platform/FileContents.h"
#include "platform/FileSystem.h"

namespace {
std::string unreadableReason(const Status& status) {
    switch (status.code()) {
        case StatusCode::NotARegularFile:
            return status.sysErrno() == ELOOP ? "a symbolic link, not a regular file" : "not a regular file";
        case StatusCode::TooLarge:
            return "larger than " + std::to_string(RemovalHistoryReader::kMaxLogBytes >> 20) + " MiB";
        default: return "cannot be read: " + status.message();
    }
}

// The counts of one group; a group without a removed copy counts for nothing.
RemovalLogCounts countGroup(const QJsonObject& group) {
    RemovalLogCounts counts;
    for (const QJsonValue v : group.value(QStringLiteral("kept")).toArray())
        if (KeptItem::itemFromJsonObject(v)) ++counts.kept;
    for (const QJsonValue v : group.value(QStringLiteral("removed")).toArray())
        if (PermanentlyRemovedItem::itemFromJsonObject(v)) ++counts.removedPermanently;
    for (const QJsonValue v : group.value(QStringLiteral("moved to trash")).toArray())
        if (RestoreItem::itemFromJsonObject(v)) ++counts.movedToTrash;
    if (counts.removedPermanently + counts.movedToTrash == 0) return {};
    counts.groups = 1;
    return counts;
}
}  // namespace

void RemovalLogCounts::add(const RemovalLogCounts& other) {
    movedToTrash += other.movedToTrash;
    removedPermanently += other.removedPermanently;
    kept += other.kept;
    groups += other.groups;
}

bool RemovalHistoryReader::readLog(const std::string& path, RemovalLogEntry& entry, std::string& reason) {
    std::string bytes;
    const Status status = file_contents::readRegularFile(path, kMaxLogBytes, bytes);
    if (!status) {
        reason = unreadableReason(status);
        return false;
    }
    QJsonParseError error {};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        reason = "is not valid JSON (" + error.errorString().toStdString() + " at byte " +
                 std::to_string(error.offset) + ")";
        return false;
    }
    if (!document.isObject()) {
        reason = "does not hold a JSON object";
        return false;
    }
    const QJsonObject root = document.object();
    if (const auto date = remove_date::removeDateFromString(root.value(QStringLiteral("date")).toString().toStdString()))
        entry.date = *date;
    entry.counts = {};
    const QJsonObject changes = root.value(QStringLiteral("changes")).toObject();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        if (it.value().isObject()) entry.counts.add(countGroup(it.value().toObject()));
    return true;
}

RemovalHistoryReader::History RemovalHistoryReader::readFolder(const std::string& folder) {
    History history;
    std::vector<std::string> names;
    history.folderExists = FileSystem::standard().listFolder(folder, names).isOk();

    std::vector<RemovalLogEntry> entries;
    for (const std::string& name : names) {
        RemovalLogEntry entry;
        const auto date = VXLogFactory::dateOfLogFileName(name, entry.sequence);
        if (!date) continue;
        entry.name = name;
        entry.path = folder + "/" + name;
        entry.date = *date;
        std::string reason;
        if (!readLog(entry.path, entry, reason)) {
            history.problems.push_back({entry.path, reason});
            continue;
        }
        if (entry.counts.groups == 0) continue;  // nothing removed: nothing to show or restore
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const RemovalLogEntry& a, const RemovalLogEntry& b) {
        if (a.date != b.date) return a.date > b.date;
        return a.sequence != b.sequence ? a.sequence > b.sequence : a.name > b.name;
    });
    std::sort(history.problems.begin(), history.problems.end(),
              [](const RemovalLogProblem& a, const RemovalLogProblem& b) { return a.path < b.path; });

    for (auto& entry : entries) {
        const std::string day = remove_date::dayText(entry.date);
        if (history.days.empty() || history.days.back().day != day) history.days.push_back({day, {}, {}});
        history.days.back().counts.add(entry.counts);
        history.days.back().logs.push_back(std::move(entry));
    }
    return history;
}
