#include "cli/HistoryDetails.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>

#include "cli/Format.h"
#include "cli/RestoreChoice.h"
#include "history/BaseRemovedItem.h"
#include "history/KeptItem.h"
#include "history/RemoveDate.h"
#include "history/RestoreController.h"
#include "history/RestoreControllersContainer.h"
#include "history/RestoreGroup.h"
#include "history/RestoreItem.h"
#include "history/RestoreKenelManager.h"

namespace {
struct Counts {
    std::int64_t removed = 0, restorable = 0, restored = 0, notRestorable = 0;
};

std::string countsText(const Counts& c) {
    return std::to_string(c.removed) + (c.removed == 1 ? " removed copy: " : " removed copies: ") +
           std::to_string(c.restorable) + " restorable, " + std::to_string(c.restored) + " restored, " +
           std::to_string(c.notRestorable) + " not restorable";
}
}  // namespace

void writeHistoryDetails(const RestoreController& controller, bool json, std::ostream& out) {
    Counts counts;
    const std::string date = controller.date() ? remove_date::stringWithDate(*controller.date()) : "unknown date";
    QJsonArray groups;
    if (!json) out << "Removal run of " << date << "  (" << controller.path() << ")\n";
    int number = 0;
    for (const auto& group : controller.groups()) {
        ++number;
        if (!json) out << "  group " << number << "\n";
        QJsonArray kept, removed;
        for (const auto& k : group->keptItems()) {
            const bool usable = k->canBeUsedToRestore();
            if (json) {
                QJsonObject o;
                o.insert(QStringLiteral("path"), QString::fromStdString(k->originalPath()));
                if (!format::isValidUtf8(k->originalPath()))
                    o.insert(QStringLiteral("path_bytes"), QString::fromStdString(format::base64(k->originalPath())));
                o.insert(QStringLiteral("usable"), usable);
                kept.append(o);
            } else {
                out << "    kept           " << format::displayPath(k->originalPath()) << (usable ? "" : "  (changed or gone since)") << "\n";
            }
        }
        for (const auto& item : group->children()) {
            const auto d = restore_choice::describe(*item);
            ++counts.removed;
            if (d.state == restore_choice::ItemState::Restored) ++counts.restored;
            else if (d.state == restore_choice::ItemState::NotRestorable) ++counts.notRestorable;
            else ++counts.restorable;
            if (json) removed.append(restore_choice::describeJson(*item));
            else
                out << (dynamic_cast<const RestoreItem*>(item.get()) ? "    to the Trash   " : "    permanently    ")
                    << format::displayPath(item->originalPath()) << "  " << d.text << "\n";
        }
        QJsonObject g;
        g.insert(QStringLiteral("kept"), kept);
        g.insert(QStringLiteral("removed"), removed);
        groups.append(g);
    }
    if (!json) {
        out << countsText(counts) << "\n";
        return;
    }
    QJsonObject root;
    root.insert(QStringLiteral("file"), QString::fromStdString(controller.path()));
    root.insert(QStringLiteral("date"), QString::fromStdString(date));
    root.insert(QStringLiteral("groups"), groups);
    QJsonObject c;
    c.insert(QStringLiteral("removed"), static_cast<qint64>(counts.removed));
    c.insert(QStringLiteral("restorable"), static_cast<qint64>(counts.restorable));
    c.insert(QStringLiteral("restored"), static_cast<qint64>(counts.restored));
    c.insert(QStringLiteral("notRestorable"), static_cast<qint64>(counts.notRestorable));
    root.insert(QStringLiteral("counts"), c);
    out << QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

int clearHistory(const std::string& folder, const std::string& day, bool yes, bool interactive, std::istream& in,
                 std::ostream& out, std::ostream& err) {
    RestoreKenelManager manager;
    manager.loadFromFolder(folder);
    std::shared_ptr<RestoreControllersContainer> container;
    if (!day.empty()) {
        const QDate date = QDate::fromString(QString::fromStdString(day), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) {
            err << "dorvane history: --day needs a date written YYYY-MM-DD, not '" << day << "'\n";
            return 2;
        }
        container = manager.containerForDay(date.startOfDay().toSecsSinceEpoch() + 43200);
        if (!container) {
            out << "No removals recorded on " << day << ".\n";
            return 0;
        }
    }
    std::size_t count = 0;
    for (const auto& c : manager.restoreControllers())
        if (!container || c == container) count += c->controllers().size();
    if (count == 0) {
        out << "No removals recorded in " << folder << ".\n";
        return 0;
    }
    const std::string what = std::to_string(count) + (count == 1 ? " removal log" : " removal logs") +
                             (day.empty() ? "" : " of " + day);
    if (!yes) {
        if (!interactive) {
            err << "dorvane history: --clear deletes " << what << "; add --yes to confirm\n";
            return 3;
        }
        out << "Delete " << what << "? Files in the Trash stay there, but the history of where they came from is lost. [y/N] "
            << std::flush;
        std::string line;
        if (!std::getline(in, line) || (line != "y" && line != "Y" && line != "yes")) {
            out << "Nothing was deleted.\n";
            return 3;
        }
    }
    const auto failures = container ? manager.clearHistoryFor(*container) : manager.clearHistory();
    for (const auto& failure : failures) err << "dorvane history: cannot delete " << failure.message() << "\n";
    out << "Deleted " << count - failures.size() << " of " << what << ".\n";
    return failures.empty() ? 0 : 1;
}
