#include "cli/ScanCommand.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "app/FolderAdmission.h"
#include "app/ScanSession.h"
#include "cli/Format.h"
#include "cli/ProgressLine.h"
#include "cli/RemoveRun.h"
#include "cli/ReportWriter.h"
#include "cli/ScanOptions.h"
#include "cli/ScanReport.h"
#include "cli/UnusableSettings.h"
#include "platform/FileSystem.h"
#include "platform/Terminal.h"
#include "results/DuplicatesContainer.h"
#include "selection/OperationsManager.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"

namespace {
// Written by the signal handler, read by main-thread timers: the first SIGINT or SIGTERM and when it came.
std::atomic<int> g_stopSignal{0};
std::atomic<std::int64_t> g_firstSignalNanoseconds{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::int64_t>::is_always_lock_free);
constexpr std::int64_t kOneSignalWindowNanoseconds = 500'000'000;

std::int64_t monotonicNanoseconds() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The first signal asks for a clean stop. Signals within half a second of it are the same request
// (`timeout` and a terminal signal the whole process group); one that comes later quits at once.
void onInterrupt(int signal) {
    const std::int64_t now = monotonicNanoseconds();
    int none = 0;
    if (g_stopSignal.compare_exchange_strong(none, signal)) {
        g_firstSignalNanoseconds = now;
        return;
    }
    if (now - g_firstSignalNanoseconds.load() < kOneSignalWindowNanoseconds) return;
    _exit(128 + signal);
}

// The status a stopped command answers: 130 after SIGINT, 143 after SIGTERM; 0 while not stopped.
int stopStatus() {
    const int signal = g_stopSignal.load();
    return signal == 0 ? 0 : 128 + signal;
}

// Set by SIGWINCH, taken by the progress line's timer: the terminal changed its size.
std::atomic<bool> g_terminalResized{false};
void onResize(int) { g_terminalResized = true; }

// Installed for the whole command, the removal included, and restored when it ends.
class InterruptHandlers {
public:
    InterruptHandlers() {
        g_stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previousInt);
        sigaction(SIGTERM, &action, &m_previousTerm);
        struct sigaction resize {};
        resize.sa_handler = onResize;
        sigemptyset(&resize.sa_mask);
        resize.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &resize, &m_previousWinch);
    }
    ~InterruptHandlers() {
        sigaction(SIGINT, &m_previousInt, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
        sigaction(SIGWINCH, &m_previousWinch, nullptr);
    }
    InterruptHandlers(const InterruptHandlers&) = delete;
    InterruptHandlers& operator=(const InterruptHandlers&) = delete;

private:
    struct sigaction m_previousInt {}, m_previousTerm {}, m_previousWinch {};
};

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

// Chooses the copies to remove in every group, with this run's extra Always/Never Select folders, and
// says what was chosen unless --yes or --quiet asks for silence.
void selectCopies(DuplicatesContainer& container, const ScanOptions& options) {
    std::vector<std::string> always, never;
    for (const auto& f : options.alwaysSelectFolders)
        if (auto admitted = admitFolder(f)) always.push_back(*admitted);
    for (const auto& f : options.neverSelectFolders)
        if (auto admitted = admitFolder(f)) never.push_back(*admitted);
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

bool writeOutput(const std::optional<std::string>& file, const std::string& text) {
    if (!file) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    errno = 0;
    std::ofstream out(*file, std::ios::binary | std::ios::trunc);
    out << text;
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

    std::shared_ptr<DuplicatesContainer> result;
    bool finished = false;
    auto session = ScanSession::create(folders, options.choices, [&](std::shared_ptr<DuplicatesContainer> c) {
        result = std::move(c);
        finished = true;
        QCoreApplication::quit();
    });

    const InterruptHandlers handlers;

    const bool showProgress = !options.quiet && Terminal::standard().isTerminal(STDERR_FILENO);
    QTimer ticker;
    bool stopRequested = false;
    progress_line::ScanPercentage percentage(options.choices.searchDuplicateFolders);
    int width = Terminal::standard().columns(STDERR_FILENO).value_or(80);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (stopStatus() != 0 && !stopRequested) {
            stopRequested = true;
            session->stop(false);
        }
        if (g_terminalResized.exchange(false)) width = Terminal::standard().columns(STDERR_FILENO).value_or(width);
        if (showProgress && session->scanner())
            std::fprintf(stderr, "\r\x1b[K%s", progress_line::describe(*session->scanner(), percentage, width).c_str());
    });
    ticker.start(100);
    session->start();
    if (!finished) QCoreApplication::exec();
    ticker.stop();
    if (showProgress) std::fputs("\r\x1b[K", stderr);

    const FoldersScanner& scanner = *session->scanner();
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
    if (result && options.selectAuto && !session->wasStopped()) {
        selectCopies(*result, options);
        report.selectionApplied = true;
    }
    if (result) {
        std::vector<const FolderSystemItem*> roots;
        for (const auto& root : result->buildRootFolders()) {
            report.foldersScanned += countFolders(*root);
            roots.push_back(root);
        }
        report.addResults(*result);
        Settings& settings = Settings::standard();
        report.leftOut = LeftOut::collect(roots, options.choices.includeHidden.value_or(settings.scanInHiddenFolders()),
                                          settings.excludeExtensions());
        // Files scanned are those that took part; the ones left out by rule are named on their own.
        const std::uint64_t byRule = report.leftOut.filesInHiddenFolders + report.leftOut.filesWithExcludedExtension;
        report.filesScanned = report.filesScanned > byRule ? report.filesScanned - byRule : 0;
    }
    std::string text = options.format == ScanOptions::Format::Json ? report_writer::json(report)
                                                                   : report_writer::text(report);
    bool written = writeOutput(options.outputFile, text);
    if (!written) return 1;
    if (session->wasStopped()) return stopStatus() != 0 ? stopStatus() : 130;

    int status = someRefused ? 1 : 0;
    if (result && options.remove) {
        RemoveOptions remove;
        remove.permanent = options.permanent;
        remove.yes = options.yes;
        remove.dryRun = options.dryRun;
        remove.interactive = isatty(STDIN_FILENO);
        remove.showProgress = showProgress;
        remove.wait = options.wait;
        remove.stopStatus = stopStatus;
        int removeStatus = runRemoval(result, remove);
        if (removeStatus != 0) status = removeStatus;
    }
    return status;
}
