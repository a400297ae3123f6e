#include "cli/HistoryCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <iostream>

#include "cli/HistoryDetails.h"
#include "cli/RestoreChoice.h"
#include "history/RestoreController.h"
#include "platform/FileSystem.h"

#include "history/RemovalHistoryReader.h"
#include "history/RemoveDate.h"
#include "history/VXLogFactory.h"

namespace {
const char* kHistoryUsage =
    "usage: dorvane history [--format text|json] [--folder DIR]\n"
    "       dorvane history --details [LOG | --last] [--format text|json] [--folder DIR]\n"
    "       dorvane history --clear [--day YYYY-MM-DD] [--yes] [--folder DIR]\n"
    "\n"
    "Lists the removal logs by day, newest first: copies moved to the Trash, removed permanently, kept.\n"
    "  --details [LOG]     every copy of one run (default: the newest) with its state: restorable from\n"
    "                      the Trash or from a kept copy, restored, or not restorable\n"
    "  --clear             delete the removal logs (all, or those of --day); files in the Trash stay\n"
    "  -y, --yes           delete without asking (needed without a terminal)\n"
    "  --format text|json  the report's format (default text)\n"
    "  --folder DIR        read the logs in DIR instead of the application's \"Removed\" folder\n";

std::string plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string countsText(const RemovalLogCounts& c) {
    return std::to_string(c.movedToTrash) + " moved to the Trash, " + std::to_string(c.removedPermanently) +
           " removed permanently, " + std::to_string(c.kept) + " kept";
}

QJsonObject countsJson(const RemovalLogCounts& c) {
    QJsonObject o;
    o.insert(QStringLiteral("movedToTrash"), static_cast<qint64>(c.movedToTrash));
    o.insert(QStringLiteral("removedPermanently"), static_cast<qint64>(c.removedPermanently));
    o.insert(QStringLiteral("kept"), static_cast<qint64>(c.kept));
    o.insert(QStringLiteral("groups"), static_cast<qint64>(c.groups));
    return o;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

void writeText(const RemovalHistoryReader::History& history, const std::string& folder, std::ostream& out) {
    if (history.days.empty()) {
        out << "No removals recorded in " << folder << "\n";
        return;
    }
    for (const auto& day : history.days) {
        out << day.day << "  " << plural(static_cast<std::int64_t>(day.logs.size()), "removal", "removals") << ": "
            << countsText(day.counts) << "\n";
        for (const auto& log : day.logs)
            out << "  " << remove_date::timeText(log.date) << "  " << countsText(log.counts) << "  (" << log.name
                << ")\n";
    }
}

void writeJson(const RemovalHistoryReader::History& history, const std::string& folder, std::ostream& out) {
    QJsonArray days;
    for (const auto& day : history.days) {
        QJsonObject d = countsJson(day.counts);
        d.insert(QStringLiteral("day"), q(day.day));
        QJsonArray logs;
        for (const auto& log : day.logs) {
            QJsonObject l = countsJson(log.counts);
            l.insert(QStringLiteral("file"), q(log.path));
            l.insert(QStringLiteral("date"), q(remove_date::stringWithDate(log.date)));
            logs.append(l);
        }
        d.insert(QStringLiteral("logs"), logs);
        days.append(d);
    }
    QJsonArray skipped;
    for (const auto& problem : history.problems) {
        QJsonObject p;
        p.insert(QStringLiteral("file"), q(problem.path));
        p.insert(QStringLiteral("problem"), q(problem.reason));
        skipped.append(p);
    }
    QJsonObject root;
    root.insert(QStringLiteral("folder"), q(folder));
    root.insert(QStringLiteral("days"), days);
    root.insert(QStringLiteral("skipped"), skipped);
    out << QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}
}  // namespace

int runHistoryCommand(const std::vector<std::string>& arguments) {
    return runHistoryCommand(arguments, std::cout, std::cerr);
}

int runHistoryCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    bool json = false, details = false, last = false, clear = false, yes = false;
    std::string folder, log, day;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            out << kHistoryUsage;
            return 0;
        }
        if (a == "--details" || a == "--clear" || a == "--last" || a == "--yes" || a == "-y") {
            (a == "--details" ? details : a == "--clear" ? clear : a == "--last" ? last : yes) = true;
            continue;
        }
        if (a == "--day") {
            if (i + 1 >= arguments.size()) {
                err << "dorvane history: --day needs a value\n" << kHistoryUsage;
                return 2;
            }
            day = arguments[++i];
            continue;
        }
        if (details && log.empty() && !last && a.rfind("-", 0) != 0) {
            log = a;
            continue;
        }
        std::string value;
        const bool takesValue = a == "--format" || a == "--folder";
        if (takesValue) {
            if (i + 1 >= arguments.size()) {
                err << "dorvane history: " << a << " needs a value\n" << kHistoryUsage;
                return 2;
            }
            value = arguments[++i];
        } else if (a.rfind("--format=", 0) == 0 || a.rfind("--folder=", 0) == 0) {
            value = a.substr(a.find('=') + 1);
        } else {
            err << "dorvane history: unknown option '" << a << "'\n" << kHistoryUsage;
            return 2;
        }
        if (a.rfind("--format", 0) == 0) {
            if (value != "text" && value != "json") {
                err << "dorvane history: unknown format '" << value << "' (text or json)\n";
                return 2;
            }
            json = value == "json";
        } else {
            folder = value;
        }
    }
    if ((details && clear) || (!details && (last || !log.empty())) || (!clear && (yes || !day.empty()))) {
        err << "dorvane history: --details (with LOG or --last) and --clear (with --day, --yes) go apart\n"
            << kHistoryUsage;
        return 2;
    }
    if (details && !log.empty() && last) {
        err << "dorvane history: name one removal log, or --last\n";
        return 2;
    }
    if (!folder.empty() && !FileSystem::standard().isFolder(folder)) {
        err << "dorvane history: '" << folder << "': "
            << (FileSystem::standard().exists(folder) ? "not a folder" : "no such folder") << "\n";
        return 2;
    }
    if (details || clear) {
        std::string problem;
        folder = restore_choice::logFolder(folder, problem);
        if (folder.empty()) {
            err << "dorvane history: " << problem << "\n";
            return 1;
        }
        if (clear) return clearHistory(folder, day, yes, isatty(STDIN_FILENO), std::cin, out, err);
        std::vector<std::string> skipped;
        const auto controller = restore_choice::chooseLog(folder, log, log.empty(), problem, skipped);
        for (const auto& s : skipped) err << "dorvane: skipped " << s << "\n";
        if (!controller) {
            err << "dorvane history: " << problem << "\n";
            return 1;
        }
        writeHistoryDetails(*controller, json, out);
        return 0;
    }
    if (folder.empty()) {
        const auto logFolder = VXLogFactory::logFolderPath();
        if (!logFolder) {
            err << "dorvane history: no folder for removal logs (no data folder)\n";
            return 1;
        }
        folder = *logFolder;
    }

    const RemovalHistoryReader::History history = RemovalHistoryReader::readFolder(folder);
    for (const auto& problem : history.problems)
        err << "dorvane: skipped " << problem.path << ": " << problem.reason << "\n";
    if (json) writeJson(history, folder, out);
    else writeText(history, folder, out);
    return history.problems.empty() ? 0 : 1;
}
