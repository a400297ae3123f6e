#include "cli/RemovalPlan.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <set>

#include "platform/FileContents.h"
#include "platform/FileSystem.h"

namespace {
constexpr std::uint64_t kLargestPlan = std::uint64_t{1} << 30;

// A plan that names a path in another spelling than the scan's (".", "..", "//", a trailing "/")
// could reach another file than the one the report described.
bool isNormalAbsolute(const std::string& path) {
    if (path.size() < 2 || path[0] != '/' || path.back() == '/' || path.find('\0') != std::string::npos) return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string_view part(path.data() + start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = slash + 1;
    }
    return true;
}

bool isInside(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() > 1;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::optional<std::uint64_t> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double d = value.toDouble();
    if (d < 0 || std::floor(d) != d) return std::nullopt;
    const qint64 exact = value.toInteger(-1);
    if (exact >= 0) return static_cast<std::uint64_t>(exact);
    return static_cast<std::uint64_t>(d);
}

}  // namespace

RemovalPlanReading parseRemovalPlan(const std::string& bytes, const std::string& file) {
    auto fail = [&file](const std::string& why) { return RemovalPlanReading{std::nullopt, file + ": " + why}; };
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &error);
    if (error.error != QJsonParseError::NoError)
        return fail("not JSON (" + error.errorString().toStdString() + " at byte " + std::to_string(error.offset) + ")");
    if (!document.isObject()) return fail("not a report of 'dorvane scan --format json' (no top object)");
    const QJsonObject top = document.object();
    if (top.value("version").toInt(-1) != 1)
        return fail("not a report of 'dorvane scan --format json' (\"version\" is not 1)");
    const QJsonValue folders = top.value("scan").toObject().value("folders");
    const QJsonValue categories = top.value("categories");
    if (!folders.isArray() || !categories.isArray())
        return fail("not a report of 'dorvane scan --format json' (no \"scan\".\"folders\" or \"categories\" list)");

    RemovalPlan plan;
    plan.file = file;
    for (const auto& f : folders.toArray()) {
        const std::string folder = f.toString().toStdString();
        if (!f.isString() || !(folder == "/" || isNormalAbsolute(folder)))
            return fail("\"scan\".\"folders\" holds something that is not an absolute folder path");
        plan.folders.push_back(folder);
    }
    std::set<std::string> seen;
    for (const auto& c : categories.toArray()) {
        const QJsonObject category = c.toObject();
        const QJsonValue groups = category.value("groups");
        if (!c.isObject() || !groups.isArray()) return fail("a category without a \"groups\" list");
        const bool folderKind = category.value("kind").toString() == QStringLiteral("folder");
        for (const auto& g : groups.toArray()) {
            const QJsonObject object = g.toObject();
            const auto id = wholeNumber(object.value("id"));
            const QJsonValue members = object.value("members");
            if (!g.isObject() || !id || !members.isArray()) return fail("a group without a number \"id\" or a \"members\" list");
            const std::string groupName = "group " + std::to_string(*id);
            RemovalPlan::Group group;
            group.id = static_cast<std::int64_t>(*id);
            group.folders = folderKind;
            for (const auto& m : members.toArray()) {
                const QJsonObject member = m.toObject();
                RemovalPlan::Member out;
                const QJsonValue path = member.value("path");
                const auto size = wholeNumber(member.value("size"));
                const QDateTime modified = QDateTime::fromString(member.value("modified").toString(), Qt::ISODate);
                const QJsonValue selected = member.value("selected");
                if (!m.isObject() || !path.isString() || !size || !modified.isValid() || !selected.isBool())
                    return fail(groupName + ": a member without \"path\", \"size\", \"modified\" or a true/false \"selected\"");
                out.path = path.toString().toStdString();
                if (!isNormalAbsolute(out.path))
                    return fail(groupName + ": '" + out.path + "' is not an absolute path in its plain spelling");
                bool inFolders = false;
                for (const auto& folder : plan.folders) inFolders = inFolders || isInside(out.path, folder);
                if (!inFolders) return fail(groupName + ": '" + out.path + "' is not inside the folders the plan's scan covered");
                if (!seen.insert(out.path).second) return fail("'" + out.path + "' is listed twice");
                out.size = *size;
                out.diskSize = wholeNumber(member.value("disk_size")).value_or(0);
                out.modified = modified.toSecsSinceEpoch();
                out.selected = selected.toBool();
                const QJsonValue device = member.value("device"), inode = member.value("inode");
                if (!device.isUndefined() || !inode.isUndefined()) {
                    const auto d = wholeNumber(device), i = wholeNumber(inode);
                    if (!d || !i) return fail(groupName + ": '" + out.path + "' has a \"device\" or \"inode\" that is not a number");
                    out.device = *d;
                    out.inode = *i;
                }
                group.members.push_back(std::move(out));
            }
            if (group.members.size() < 2) return fail(groupName + " has fewer than two members");
            plan.groups.push_back(std::move(group));
        }
    }
    return {std::move(plan), {}};
}

RemovalPlanReading readRemovalPlan(const std::string& file) {
    std::string canonical;
    if (Status s = FileSystem::standard().canonicalPath(file, canonical); !s)
        return {std::nullopt, file + ": " + Status(s.code(), s.sysErrno(), {}).message()};
    std::string bytes;
    if (Status s = file_contents::readRegularFile(canonical, kLargestPlan, bytes); !s)
        return {std::nullopt, file + ": " + Status(s.code(), s.sysErrno(), {}).message()};
    return parseRemovalPlan(bytes, canonical);
}
