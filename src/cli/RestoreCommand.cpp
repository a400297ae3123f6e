#include "cli/RestoreCommand.h"

#include <unistd.h>

#include <iostream>
#include <map>
#include <optional>
#include <set>

#include "cli/Format.h"
#include "cli/RestoreChoice.h"
#include "history/BaseRemovedItem.h"
#include "history/RestoreComplexOperation.h"
#include "history/RestoreComplexOperationDelegate.h"
#include "history/RestoreController.h"
#include "history/RestoreHelper.h"

namespace {
std::string shown(const std::string& path) { return format::displayPath(path); }

const char* kRestoreUsage =
    "usage: dorvane restore (LOG | --last) [PATH...] [--to DIR] [--from FILE] [--dry-run] [--yes]\n"
    "\n"
    "Puts back the copies one removal run took away: from the Trash, or copied from a kept copy. Every\n"
    "restorable copy of the run, or only those whose original paths are given. A copy goes to its original\n"
    "place; when that is taken, to \"NAME restored.EXT\", \"NAME restored 2.EXT\" ... beside it. Nothing is\n"
    "ever overwritten.\n"
    "  LOG            a removal log: its path, or its file name in the log folder ('dorvane history')\n"
    "  --last         the newest removal run\n"
    "  --to DIR       restore into DIR instead (copies restored earlier are copied there again)\n"
    "  --from FILE    restore the one PATH given from FILE, a file you point out; its size and\n"
    "                 modification date must match the removed copy's\n"
    "  --dry-run      print what would be restored and touch nothing\n"
    "  -y, --yes      do not ask for a confirmation on the terminal\n"
    "  --folder DIR   the folder of removal logs (default: the application's \"Removed\" folder)\n";

class PrintingDelegate : public RestoreComplexOperationDelegate {
public:
    explicit PrintingDelegate(std::ostream& out) : m_out(out) {}
    void restoreOperationSuccessfullyRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                             const std::string&, const std::string& destination,
                                             const std::string& note) override {
        m_out << "restored: " << shown(item.originalPath());
        if (destination != item.originalPath()) m_out << " -> " << shown(destination);
        const auto it = m_sources.find(&item);
        if (it != m_sources.end()) m_out << " (from " << it->second << ")";
        m_out << "\n";
        if (!note.empty()) m_out << "  note: " << note << "\n";
    }
    void restoreOperationFailedToRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                         const std::string& reason) override {
        m_out << "not restored: " << shown(item.originalPath()) << ": " << reason << "\n";
    }
    std::map<const BaseRemovedItem*, std::string> m_sources;

private:
    std::ostream& m_out;
};

bool confirm(std::istream& in, std::ostream& out, std::size_t count) {
    out << "Restore " << count << (count == 1 ? " file" : " files") << "? [y/N] " << std::flush;
    std::string line;
    if (!std::getline(in, line)) return false;
    return line == "y" || line == "Y" || line == "yes";
}
}  // namespace

int runRestoreCommand(const std::vector<std::string>& arguments) {
    return runRestoreCommand(arguments, std::cin, std::cout, std::cerr, isatty(STDIN_FILENO));
}

int runRestoreCommand(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                      std::ostream& err, bool interactive) {
    bool last = false, dryRun = false, yes = false;
    std::string log, folder, from;
    std::optional<std::string> to;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= arguments.size()) return false;
            into = arguments[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            out << kRestoreUsage;
            return 0;
        } else if (a == "--last") last = true;
        else if (a == "--dry-run") dryRun = true;
        else if (a == "--yes" || a == "-y") yes = true;
        else if (a == "--to" || a == "--folder" || a == "--from") {
            std::string v;
            if (!value(v)) {
                err << "dorvane restore: " << a << " needs a value\n" << kRestoreUsage;
                return 2;
            }
            if (a == "--to") to = restore_choice::absolutePath(v);
            else if (a == "--folder") folder = v;
            else from = restore_choice::absolutePath(v);
        } else if (a.rfind("-", 0) == 0 && a != "-") {
            err << "dorvane restore: unknown option '" << a << "'\n" << kRestoreUsage;
            return 2;
        } else if (!last && log.empty()) log = a;
        else paths.push_back(restore_choice::absolutePath(a));
    }
    if (last == !log.empty()) {
        err << "dorvane restore: name one removal log, or --last\n" << kRestoreUsage;
        return 2;
    }
    if (!from.empty() && paths.size() != 1) {
        err << "dorvane restore: --from restores one removed copy: give exactly one PATH\n";
        return 2;
    }
    std::string problem;
    folder = restore_choice::logFolder(folder, problem);
    std::vector<std::string> skipped;
    const auto controller = folder.empty() ? nullptr : restore_choice::chooseLog(folder, log, last, problem, skipped);
    for (const auto& s : skipped) err << "dorvane: skipped " << s << "\n";
    if (!controller) {
        err << "dorvane restore: " << problem << "\n";
        return 2;
    }
    out << "Removal log " << controller->path() << "\n";

    // The copies asked for: the given original paths, else every copy of the run.
    std::vector<std::shared_ptr<BaseRemovedItem>> asked;
    std::set<std::string> unknown(paths.begin(), paths.end());
    for (const auto& item : controller->children()) {
        if (!paths.empty() && !unknown.count(item->originalPath())) continue;
        unknown.erase(item->originalPath());
        asked.push_back(item);
    }
    std::size_t failed = 0, alreadyRestored = 0;
    for (const auto& path : unknown) {
        out << "not restored: " << shown(path) << ": not removed in this run\n";
        ++failed;
    }
    if (!from.empty() && !asked.empty() && !asked.front()->setFileAsFakeOriginal(from)) {
        out << "not restored: " << shown(asked.front()->originalPath()) << ": " << shown(from)
            << " is not the original for the removed duplicate (its size or modification date is different)\n";
        ++failed;
        asked.clear();
    }

    PrintingDelegate delegate(out);
    std::vector<std::shared_ptr<BaseRemovedItem>> toRestore;
    for (const auto& item : asked) {
        const auto d = restore_choice::describe(*item);
        if (d.state == restore_choice::ItemState::Restored && !to) {
            out << "already " << d.text << ": " << shown(item->originalPath()) << "\n";
            ++alreadyRestored;
        } else if (d.state == restore_choice::ItemState::NotRestorable) {
            out << "not restored: " << shown(item->originalPath()) << ": " << d.text.substr(d.text.find(": ") + 2) << "\n";
            ++failed;
        } else {
            std::string source = d.state == restore_choice::ItemState::Restored ? "the restored copy " + shown(d.path)
                                                                                 : restore_choice::sourceText(d);
            delegate.m_sources[item.get()] = source;
            toRestore.push_back(item);
        }
    }

    std::size_t restored = 0;
    if (dryRun) {
        for (const auto& item : toRestore) {
            const std::string destination = RestoreHelper::generateRestoreDestinationFilePathForItem(*item, to);
            out << "would restore: " << shown(item->originalPath());
            if (destination != item->originalPath()) out << " -> " << shown(destination);
            out << " (from " << delegate.m_sources[item.get()] << ")\n";
        }
    } else if (!toRestore.empty()) {
        if (interactive && !yes && !confirm(in, out, toRestore.size())) {
            out << "Nothing was restored.\n";
            return 3;
        }
        RestoreComplexOperation operation(toRestore, to, &delegate);
        operation.start();
        restored = static_cast<std::size_t>(operation.countOfSuccessfullyPerformedOperations());
        failed += toRestore.size() - restored;
    }

    const std::size_t total = asked.size() + unknown.size();
    if (dryRun)
        out << "Would restore " << toRestore.size() << " of " << total << (total == 1 ? " file" : " files");
    else
        out << "Restored " << restored << " of " << total << (total == 1 ? " file" : " files");
    if (alreadyRestored) out << "; " << alreadyRestored << " restored earlier";
    if (failed) out << "; " << failed << " could not be restored";
    out << ".\n";
    return failed ? 1 : 0;
}
