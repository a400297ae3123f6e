#include "cli/MergeCommand.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>

#include "app/FolderAdmission.h"
#include "app/ScanSession.h"
#include "cli/Format.h"
#include "cli/MergeReport.h"
#include "cli/ProgressLine.h"
#include "cli/ScanRun.h"
#include "cli/StopSignals.h"
#include "operations/MergeManager.h"
#include "operations/MergeOperation.h"
#include "platform/FileLabels.h"
#include "platform/Terminal.h"
#include "results/DuplicatesContainer.h"
#include "settings/Settings.h"

namespace {
const char* kUsage =
    "usage: dorvane merge SOURCE DESTINATION (--move | --copy) [--with-different-names] [--label COLOUR|N]\n"
    "                     [--remove-source] [--dry-run] [--yes] [--format text|json]\n"
    "\n"
    "Moves or copies the files of SOURCE that DESTINATION does not hold yet into DESTINATION, so that\n"
    "afterwards the two folders are duplicates. Both folders are scanned first (hidden files included,\n"
    "every size, whole contents compared); they must share duplicate files. Nothing is ever replaced: a\n"
    "name taken in DESTINATION by other content gets a free name (\"name 2.ext\").\n"
    "\n"
    "  --move                    move the files (SOURCE loses them)\n"
    "  --copy                    copy the files\n"
    "  --with-different-names    also take files whose content DESTINATION holds under another name\n"
    "  --label COLOUR|N          label the merged files: Gray, Green, Purple, Blue, Yellow, Red, Orange\n"
    "                            or 1-7 (0: no label); kept in the user.xdg.tags attribute\n"
    "  --remove-source           move SOURCE to the Trash when every file was merged\n"
    "  --dry-run                 print the plan; change nothing\n"
    "  -y, --yes                 merge without asking\n"
    "  --format text|json        the report's format (default text; with json the plan and the\n"
    "                            progress go to standard error)\n"
    "\n"
    "Exit status: 0 every step succeeded (or a dry run), 1 some step failed, the folders share no\n"
    "duplicates or the scan could not finish, 2 wrong usage, 3 the merge was not confirmed.\n";

struct MergeArguments {
    std::vector<std::string> folders;
    std::optional<MergeAction> action;
    bool withDifferentNames = false, removeSource = false, dryRun = false, yes = false, json = false, help = false;
    int label = 0;
};

std::optional<MergeArguments> parse(const std::vector<std::string>& args, std::string& error) {
    MergeArguments m;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 < args.size()) return args[++i];
            error = std::string(option) + " needs a value";
            return std::nullopt;
        };
        if (a == "--help" || a == "-h") m.help = true;
        else if (a == "--move" || a == "--copy") {
            const MergeAction action = a == "--move" ? MergeAction::Move : MergeAction::Copy;
            if (m.action && *m.action != action) {
                error = "choose one of --move and --copy";
                return std::nullopt;
            }
            m.action = action;
        } else if (a == "--with-different-names") m.withDifferentNames = true;
        else if (a == "--remove-source") m.removeSource = true;
        else if (a == "--dry-run") m.dryRun = true;
        else if (a == "--yes" || a == "-y") m.yes = true;
        else if (a == "--label") {
            const auto text = value("--label");
            if (!text) return std::nullopt;
            const auto label = FileLabels::labelFromText(*text);
            if (!label) {
                error = "--label '" + *text + "': not a colour (Gray, Green, Purple, Blue, Yellow, Red, Orange) or 0-7";
                return std::nullopt;
            }
            m.label = *label;
        } else if (a == "--format") {
            const auto text = value("--format");
            if (!text) return std::nullopt;
            if (*text != "text" && *text != "json") {
                error = "--format '" + *text + "': text or json";
                return std::nullopt;
            }
            m.json = *text == "json";
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        } else
            m.folders.push_back(a);
    }
    if (m.help) return m;
    if (m.folders.size() != 2) {
        error = "give the source and the destination folder";
        return std::nullopt;
    }
    if (!m.action) {
        error = "choose --move or --copy";
        return std::nullopt;
    }
    return m;
}

// Scans both folders in full; answers the container, or nothing after saying why.
std::shared_ptr<DuplicatesContainer> scanBoth(const std::vector<std::string>& folders, bool showProgress, int& status) {
    ScanChoices choices;
    choices.includeHidden = true;
    choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
    choices.fixedMinimalSize = 0;
    choices.fullHash = true;
    choices.searchDuplicateFolders = true;
    auto [session, result] = ScanRun::run(folders, choices, showProgress);
    if (session->wasStopped() || !result) {
        status = stop_signals::stopStatus() != 0 ? stop_signals::stopStatus() : 1;
        std::fprintf(stderr, "dorvane merge: the scan did not finish; nothing was changed\n");
        return nullptr;
    }
    return result;
}

bool confirmOnTerminal() {
    for (;;) {
        std::fprintf(stderr, "Merge? [y/N] ");
        std::fflush(stderr);
        std::string line;
        if (!std::getline(std::cin, line)) return false;
        if (line == "y" || line == "Y" || line == "yes") return true;
        if (line.empty() || line == "n" || line == "N" || line == "no") return false;
    }
}

// Shows the progress line and waits for the end. Main thread.
class TerminalMergeListener : public MergeOperationListener {
public:
    TerminalMergeListener(bool showProgress, std::string title, std::uint64_t files)
        : m_showProgress(showProgress), m_title(std::move(title)), m_files(files) {}
    void mergeOperationProgress(const MergeOperationProgressInfo& info) override {
        if (!m_showProgress) return;
        const auto done = static_cast<std::uint64_t>(info.operationsStatistics.countOfSuccessfullyPerformed +
                                                      info.operationsStatistics.countOfFailed +
                                                      info.operationsStatistics.countOfNotPerformed);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const int width = Terminal::standard().columns(STDERR_FILENO).value_or(80);
        std::fprintf(stderr, "\r\x1b[K%s",
                     progress_line::describeTransfer(m_title, done, m_files, info.sizeOfMergedItems,
                                                     info.sizeOfAllItems, seconds, width)
                         .c_str());
    }
    void mergeOperationFinished(const MergeOutcome& outcome) override {
        if (m_showProgress) std::fputs("\r\x1b[K", stderr);
        m_outcome = outcome;
        QCoreApplication::quit();
    }
    const std::optional<MergeOutcome>& outcome() const { return m_outcome; }

private:
    bool m_showProgress;
    std::string m_title;
    std::uint64_t m_files;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::optional<MergeOutcome> m_outcome;
};
}  // namespace

int runMergeCommand(const std::vector<std::string>& arguments) {
    std::string error;
    const auto parsed = parse(arguments, error);
    if (!parsed) {
        std::fprintf(stderr, "dorvane merge: %s\nTry 'dorvane merge --help'.\n", error.c_str());
        return 2;
    }
    if (parsed->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const MergeArguments& m = *parsed;
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane: %s\n", warning->c_str());
    std::vector<std::string> folders;
    for (const auto& given : m.folders) {
        const FolderAdmission admission = FolderAdmission::check(given, FolderAdmission::Checks::Basic);
        if (!admission.admitted()) {
            std::fprintf(stderr, "dorvane merge: %s\n", admission.reason.c_str());
            return 2;
        }
        folders.push_back(admission.path);
    }
    if (folders[0] == folders[1]) {
        std::fprintf(stderr, "dorvane merge: the source and the destination are the same folder\n");
        return 2;
    }

    const stop_signals::Handlers handlers;
    const bool showProgress = Terminal::standard().isTerminal(STDERR_FILENO);
    int status = 0;
    const auto container = scanBoth(folders, showProgress, status);
    if (!container) return status;
    const auto data = MergeManager::dataForFolders(*container, folders[0], folders[1]);
    if (!data) {
        std::fprintf(stderr, "dorvane merge: the scan holds no folder '%s' or '%s'\n", folders[0].c_str(), folders[1].c_str());
        return 1;
    }
    if (!data->sharesDuplicates()) {
        std::fprintf(stderr, "dorvane merge: '%s' and '%s' share no duplicate files; nothing to merge\n",
                     format::displayPath(folders[0]).c_str(), format::displayPath(folders[1]).c_str());
        return 1;
    }
    MergeOperationOptions options;
    options.action = m.action;
    options.mergeDuplicatesWithDifferentNames = m.withDifferentNames;
    options.colorTag = m.label;
    options.removeSourceFolder = m.removeSource;
    data->setDirection(MergeDirection::LeftToRight);
    data->setOptions(options);

    FILE* planOut = m.json ? stderr : stdout;
    const std::string plan = merge_report::planText(*data);
    std::fputs(plan.c_str(), planOut);
    std::fflush(planOut);
    if (data->countOfAffectedItems() == 0 || m.dryRun) {
        if (m.json) std::fputs(merge_report::json(*data, nullptr, m.dryRun).c_str(), stdout);
        if (m.dryRun) {
            std::fprintf(planOut, "Dry run: nothing was changed.\n");
            return 0;
        }
        if (m.removeSource) {
            std::fprintf(stderr, "dorvane merge: '%s' stays: nothing was merged\n", format::displayPath(folders[0]).c_str());
            return 1;
        }
        return 0;
    }
    if (!m.yes) {
        if (!isatty(STDIN_FILENO) || !confirmOnTerminal()) {
            std::fprintf(stderr, "dorvane merge: not confirmed; nothing was changed%s\n",
                         isatty(STDIN_FILENO) ? "" : " (use --yes to confirm)");
            return 3;
        }
    }

    MergeOperation operation(data);
    const std::string title = *m.action == MergeAction::Move ? "Moving" : "Copying";
    TerminalMergeListener listener(showProgress, title, static_cast<std::uint64_t>(data->countOfAffectedItems()));
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, [&] {
        if (stop_signals::stopStatus() != 0) operation.cancel();
    });
    stopPoll.start(100);
    operation.start(&listener);
    if (!listener.outcome()) QCoreApplication::exec();
    stopPoll.stop();
    const MergeOutcome& outcome = *listener.outcome();
    FILE* resultOut = m.json ? stderr : stdout;
    std::fputs(merge_report::resultsText(*data, outcome).c_str(), resultOut);
    if (m.json) std::fputs(merge_report::json(*data, &outcome, false).c_str(), stdout);
    std::fflush(nullptr);
    if (stop_signals::stopStatus() != 0) return stop_signals::stopStatus();
    return outcome.succeeded() ? 0 : 1;
}
