#include "cli/ScanCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>

#include "app/FolderAdmission.h"
#include "app/ScanSession.h"
#include "cli/Format.h"
#include "cli/LeftOutCollection.h"
#include "cli/ProcessEnd.h"
#include "cli/RemoveRun.h"
#include "cli/ReportWriter.h"
#include "cli/ScanOptions.h"
#include "cli/ScanReport.h"
#include "cli/ScanRun.h"
#include "cli/StopSignals.h"
#include "cli/UnusableSettings.h"
#include "platform/FileSystem.h"
#include "platform/Terminal.h"
#include "results/DuplicatesContainer.h"
#include "selection/OperationsManager.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"

namespace {
using stop_signals::stopStatus;

// Checks one chosen folder; answers its canonical path, or prints why it cannot be scanned.
std::optional<std::string> admitFolder(const std::string& given) {
    FolderAdmission admission = FolderAdmission::check(given, FolderAdmission::Checks::Basic);
    if (!admission.admitted()) {
        std::fprintf(stderr, "dorvane: %s\n", admission.reason.c_str());
        return std::nullopt;
    }
    return admission.path;
}

std::uint64_t countFolders(const FolderSystemItem& folder) {
    std::uint64_t n = 1;
    for (const auto& c : folder.childrenArray())
        if (c->isDir()) n += countFolders(static_cast<const FolderSystemItem&>(*c));
    return n;
}

// Chooses the copies to remove in every group, with this run's extra Always/Never Select folders:
// Auto Select, or one of the keep rules (`keepIn` holds the admitted --keep-in folders). Says what Auto
// Select chose unless --yes or --quiet asks for silence.
void selectCopies(DuplicatesContainer& container, const ScanOptions& options, const std::vector<std::string>& keepIn) {
    std::vector<std::string> always, never;
    for (const auto& f : options.alwaysSelectFolders)
        if (auto admitted = admitFolder(f)) always.push_back(*admitted);
    for (const auto& f : options.neverSelectFolders)
        if (auto admitted = admitFolder(f)) never.push_back(*admitted);
    if (options.selection != ScanOptions::Selection::Auto) {
        using Rule = OperationsManager::KeepRule;
        const Rule rule = !keepIn.empty() ? Rule::InFolders
                          : options.selection == ScanOptions::Selection::KeepNewest ? Rule::Newest
                                                                                     : Rule::Oldest;
        OperationsManager::keepByRuleInAllGroupsOfContainer(container, rule, keepIn, never);
        return;
    }
    AutoSelectCommandResult selection = OperationsManager::autoSelectAllGroupsOfContainer(container, always, never);
    if (!selection.message || options.yes || options.quiet) return;
    const auto n = static_cast<std::uint64_t>(std::max<std::int64_t>(0, selection.countInRemoveList));
    std::string text;
    if (!selection.selectedSomething)
        text = selection.neverSelectListWasUsed
                   ? "no copy was selected: the others are in Never Select folders ('dorvane settings get never-select')"
                   : "no copy was selected";
    else
        text = format::counted(n, "copy", "copies") + " (" + format::size(selection.removeListSize) +
               ") selected for removal; the report marks them \"remove\"";
    std::fprintf(stderr, "dorvane: %s\n", text.c_str());
}

// Admits the folders of an option that must name existing folders (--exclude, --keep-in); prints why
// one cannot be used and answers nothing then.
std::optional<std::vector<std::string>> admitOptionFolders(const char* option, const std::vector<std::string>& given) {
    std::vector<std::string> out;
    for (const auto& f : given) {
        FolderAdmission admission = FolderAdmission::check(f, FolderAdmission::Checks::Basic);
        if (!admission.admitted()) {
            std::fprintf(stderr, "dorvane scan: %s %s\n", option, admission.reason.c_str());
            return std::nullopt;
        }
        out.push_back(admission.path);
    }
    return out;
}

bool isAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The report goes out as it is written, never held whole in memory.
bool writeOutput(const std::optional<std::string>& file, const std::function<void(std::ostream&)>& write) {
    if (!file) {
        write(std::cout);
        std::cout.flush();
        std::fflush(stdout);
        return true;
    }
    errno = 0;
    std::ofstream out(*file, std::ios::binary | std::ios::trunc);
    if (out) write(out);
    out.close();
    if (!out) {
        const int error = errno;
        std::fprintf(stderr, "dorvane: cannot write the report to '%s': %s\n", file->c_str(),
                     error ? std::strerror(error) : "write failed");
        return false;
    }
    return true;
}
}  // namespace

int runScanCommand(const std::vector<std::string>& arguments) {
    ScanOptionsResult parsed = parseScanOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "dorvane scan: %s\nTry 'dorvane scan --help'.\n", parsed.error.c_str());
        return 2;
    }
    ScanOptions options = *parsed.options;
    if (options.help) {
        std::fputs(scanUsage(), stdout);
        return 0;
    }
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane: %s\n", warning->c_str());
    if (options.remove && !options.dryRun && !mayRemoveWithTheseSettings(options.yes)) return 3;

    if (options.folders.empty()) options.folders.push_back(FileSystem::standard().homeFolder());
    std::vector<std::string> folders;
    bool someRefused = false;
    for (const auto& f : options.folders) {
        if (auto admitted = admitFolder(f))
            folders.push_back(*admitted);
        else
            someRefused = true;
    }
    if (folders.empty()) {
        std::fprintf(stderr, "dorvane: no folder to scan\n");
        return 2;
    }

    const auto excluded = admitOptionFolders("--exclude", options.excludeFolders);
    const auto keepIn = admitOptionFolders("--keep-in", options.keepInFolders);
    if (!excluded || !keepIn) return 2;
    for (const auto& e : *excluded)
        for (const auto& f : folders)
            if (isAtOrBelow(f, e)) {
                std::fprintf(stderr, "dorvane scan: --exclude %s: it holds the folder to scan %s\n", e.c_str(), f.c_str());
                return 2;
            }
    options.choices.excludeFolders = *excluded;
    // A JSON report states each member's device, inode and date: what the walk saw of them spares
    // asking the system about every member once more.
    options.choices.keepSeenFiles = options.format == ScanOptions::Format::Json;

    const stop_signals::Handlers handlers;
    const bool showProgress = !options.quiet && Terminal::standard().isTerminal(STDERR_FILENO);
    // What was left out is read from the tree while the folder phases run, once every file has been
    // compared: a system call for each file the comparison did not read, on the core those phases leave free.
    Settings& settings = Settings::standard();
    LeftOutCollection leftOut(options.choices.includeHidden.value_or(settings.scanInHiddenFolders()),
                              settings.excludeExtensions(), *excluded);
    auto [session, result] = ScanRun::run(folders, options.choices, showProgress,
                                          [&](const std::shared_ptr<DuplicatesContainer>& c) { leftOut.start(c); });
    // The results (and the tree they own) outlive this function, whichever way it returns.
    struct KeepResults {
        const std::shared_ptr<DuplicatesContainer>& results;
        ~KeepResults() { process_end::keep(results); }
    } keepResults{result};

    const FoldersScanner& scanner = *session->scanner();
    for (const std::string& warning : scanner.digestCacheWarnings()) std::fprintf(stderr, "dorvane: %s\n", warning.c_str());
    ScanReport report;
    report.folders = scanner.getFoldersForScan();
    report.complete = !session->wasStopped();
    report.filesScanned = scanner.getCountOfScannedFiles();
    report.minimalSizeAutomatic = scanner.isMinimalDuplicatesSizeWasDefinedAutomatically();
    report.minimalSize = scanner.finalMinimalDuplicatesSize();
    // The size reached is news only when the 30-second stop cut the comparison short; otherwise every
    // size was compared, whatever the smallest duplicate found.
    report.automaticStopLeftSmallFiles = report.minimalSizeAutomatic && scanner.wasAutomaticStopApplied();
    if (report.minimalSizeAutomatic && !report.automaticStopLeftSmallFiles) report.minimalSize = 0;
    report.fullHash = scanner.isFullHashCalculation();
    report.durationSeconds = scanner.getTimeFromStart();
    report.invalidNames = scanner.getCountOfInvalidNames();
    if (result && options.choosesCopies() && !session->wasStopped()) {
        selectCopies(*result, options, *keepIn);
        report.selectionApplied = true;
    }
    const bool json = options.format == ScanOptions::Format::Json;
    if (result) {
        std::vector<const FolderSystemItem*> roots;
        for (const auto& root : result->buildRootFolders()) {
            report.foldersScanned += countFolders(*root);
            roots.push_back(root);
        }
        // The heaps first: once the report holds them, the command line has no more use for the
        // container's, and their memory serves what follows.
        report.addHeaps(*result);
        result->letHeapsGo();
        leftOut.start(result);  // unless started when the files had been compared: beside the groups' report
        report.addResults(*result, json);
        report.leftOut = leftOut.take(roots);
        // Files scanned are those that took part; the ones left out by rule are named on their own.
        const std::uint64_t byRule = report.leftOut.filesInHiddenFolders + report.leftOut.filesWithExcludedExtension +
                                     report.leftOut.filesInExcludedFolders;
        report.filesScanned = report.filesScanned > byRule ? report.filesScanned - byRule : 0;
    }
    // A dry run with a selection alone shows what --remove would do.
    const bool removing = result && (options.remove || (options.dryRun && options.choosesCopies())) &&
                          !session->wasStopped();
    // A JSON report carries the removal's result, so it is written once the removal is over.
    const bool removalInReport = removing && json;
    if (!removalInReport) {
        const auto write = [&](std::ostream& stream) {
            if (json) report_writer::json(stream, report);
            else report_writer::text(stream, report);
        };
        if (!writeOutput(options.outputFile, write)) return 1;
    }
    if (session->wasStopped()) return stopStatus() != 0 ? stopStatus() : 130;

    int status = someRefused ? 1 : 0;
    if (removing) {
        RemovalOutcome outcome;
        RemoveOptions remove;
        remove.permanent = options.permanent;
        remove.yes = options.yes;
        remove.dryRun = options.dryRun;
        remove.interactive = isatty(STDIN_FILENO);
        remove.showProgress = showProgress;
        remove.wait = options.wait;
        remove.stopStatus = stopStatus;
        // With -o, standard output is free for the summary people read.
        remove.textSummary = !removalInReport || options.outputFile.has_value();
        remove.outcome = &outcome;
        if (removalInReport) report.keepOwnPaths();  // the removal lets the items of removed copies go
        int removeStatus = runRemoval(result, remove);
        if (removeStatus != 0) status = removeStatus;
        const std::string removal = removalInReport ? report_writer::removalJson(outcome) : std::string();
        if (removalInReport &&
            !writeOutput(options.outputFile, [&](std::ostream& stream) { report_writer::json(stream, report, removal); }))
            return 1;
    }
    return status;
}
