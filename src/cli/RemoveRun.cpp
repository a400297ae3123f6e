#include "cli/RemoveRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <thread>

#include "cli/Format.h"
#include "history/VXLog.h"
#include "platform/RunLock.h"
#include "platform/Terminal.h"
#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/DefaultRemoverErrorsContainer.h"
#include "removal/DuplicateItemsRemover.h"
#include "removal/DuplicateItemsRemoverDelegate.h"
#include "removal/DuplicatesDefaultRemover.h"
#include "removal/HelperRemovers.h"
#include "removal/RemovalRunLock.h"
#include "removal/RemoveAlertTexts.h"
#include "removal/RemoveAlertsController.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"

namespace {
// Reads one answer from the terminal; an empty line takes the default, end of input answers no.
bool askOnTerminal(const RemoveAlert& alert, const std::string& details) {
    std::fprintf(stderr, "\n%s\n", alert.title.c_str());
    if (!alert.text.empty()) std::fprintf(stderr, "%s\n", alert.text.c_str());
    if (!details.empty()) std::fputs(details.c_str(), stderr);
    if (!alert.asksConfirmation) return false;
    const std::string yesWord = alert.buttons.empty() ? "OK" : alert.buttons.front();
    for (;;) {
        std::fprintf(stderr, "%s? [y/N%s] ", yesWord.c_str(), alert.helpTopic.empty() ? "" : "/?");
        std::fflush(stderr);
        std::string line;
        if (!std::getline(std::cin, line)) return false;
        if (line == "y" || line == "Y" || line == "yes") return true;
        if (line.empty() || line == "n" || line == "N" || line == "no") return false;
        if (line == "?" && !alert.helpTopic.empty())
            std::fprintf(stderr, "%s\n", RemoveAlertTexts::readMoreText(alert.helpTopic).c_str());
    }
}

std::string listOf(const DefaultRemoverErrorGroup& group) {
    std::string text;
    std::size_t shown = 0;
    for (const auto& error : group.errors()) {
        if (++shown > 10) {
            text += "  … and " + std::to_string(group.errors().size() - 10) + " more\n";
            break;
        }
        text += "  " + format::displayPath(error->path()) + "\n";
    }
    return text;
}

// The terminal front of a run's questions. Main thread.
class TerminalAlerts : public RemoveAlertsController {
public:
    explicit TerminalAlerts(const RemoveOptions& options) : m_options(options) {}
    void askAboutGroup(const DefaultRemoverErrorGroup& group, std::function<void(bool)> answer) override {
        const RemoveAlert alert = RemoveAlertTexts::alertForGroup(group);
        // Deleting for good what was to go to the Trash is a question of its own: --yes does not answer
        // it, and without a terminal it is declined.
        const bool permanentFallback = !m_options.permanent && group.removerType() == DefaultRemoverType::Permanent;
        bool confirmed = false;
        if (m_options.yes && !permanentFallback)
            confirmed = alert.asksConfirmation;
        else if (m_options.interactive)
            confirmed = askOnTerminal(alert, listOf(group));
        else if (m_options.yes)
            std::fprintf(stderr, "\n%s\n%s\n%sdorvane: not deleted permanently: --yes only moves copies to the Trash; "
                                 "answer on a terminal, or remove with --permanent\n",
                         alert.title.c_str(), alert.text.c_str(), listOf(group).c_str());
        answer(confirmed);
    }
    // The final report is printed by runRemoval itself, with every reason.
    void showNotRemovedGroup(const DefaultRemoverErrorGroup&, std::function<void()> done) override { done(); }

private:
    RemoveOptions m_options;
};

class Delegate : public DuplicateItemsRemoverDelegate {
public:
    bool isRemoverCanStart(DuplicateItemsRemover& run) override { return &run == current; }
    void onRemover(DuplicateItemsRemover&, const std::vector<std::shared_ptr<DuplicateItem>>& items) override {
        for (const auto& item : items) removedPaths.push_back(item->getFileItemPath());
    }
    void onRemoverFinishWork(DuplicateItemsRemover&) override {
        finished = true;
        loop.quit();
    }
    void onRemoverHelperNotAllowed(DuplicateItemsRemover&) override {
        const RemoveAlert alert = RemoveAlertTexts::helperNotAllowed();
        std::fprintf(stderr, "\n%s\n%s\n", alert.title.c_str(), alert.text.c_str());
    }
    DuplicateItemsRemover* current = nullptr;
    bool finished = false;
    std::vector<std::string> removedPaths;
    QEventLoop loop;
};

std::string progressLine(const DuplicateItemsRemover& run) {
    std::uint64_t processed = 0, total = static_cast<std::uint64_t>(run.countOfItemsInRemoveList());
    if (const auto& remover = run.defaultRemover()) processed = remover->getCountOfProcessedItems();
    const int width = Terminal::standard().columns(STDERR_FILENO).value_or(80);
    return format::fitLine({"Removing: " + format::count(processed) + " of " + format::counted(total, "copy", "copies") + " done",
                            format::size(static_cast<std::uint64_t>(std::max<std::int64_t>(0, run.totalRemovedSize()))) + " freed"},
                           width);
}

// Says where this run's history went (on stdout when `print`); false when it could not be written
// (said on stderr).
bool reportHistory(std::int64_t removedCount, bool print, RemovalOutcome& outcome) {
    if (removedCount <= 0) return true;
    const LogWriteOutcome written = VXLog::shared().lastRunOutcome();
    if (written.isWritten()) {
        outcome.history = written.path;
        if (print) std::printf("History written to %s\n", written.path.c_str());
        return true;
    }
    if (!VXLog::shared().isLoggingTurnOn()) {
        if (print) std::printf("History not written (the setting \"Log Removed Duplicates\" is off).\n");
        return true;
    }
    const std::string reason = written.isFailed() ? written.status.message() : "the run recorded no removed copy";
    std::fflush(stdout);
    std::fprintf(stderr, "dorvane: the removal history could not be written: %s\n", reason.c_str());
    return false;
}

// The unselected members of every group that has selected ones: the copies that stay.
std::vector<std::string> keptCopies(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    std::vector<std::string> kept;
    std::set<const DuplicatesGroup*> seen;
    for (const auto& item : items) {
        const DuplicatesGroup* group = item->getGroup();
        if (!group || !seen.insert(group).second) continue;
        for (const auto& member : group->getItems())
            if (!member->isSelected() &&
                !(member->getAssociatedDuplicateFolder() && member->getAssociatedDuplicateFolder()->isSelected()))
                kept.push_back(member->getFileItemPath());
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}
// One removal run at a time per user (RemovalRunLock). Answers the lock, or nullptr after saying why
// there is none (another run, given up waiting, or no usable folder).
std::unique_ptr<RunLock> lockRemovals(const RemoveOptions& options) {
    bool said = false;
    for (;;) {
        RemovalRunLock attempt = RemovalRunLock::tryAcquire();
        switch (attempt.failure) {
            case RemovalRunLock::Failure::None: return std::move(attempt.lock);
            case RemovalRunLock::Failure::NoHistoryFolder:
                std::fprintf(stderr, "dorvane: no folder for the removal history; nothing was removed\n");
                return nullptr;
            case RemovalRunLock::Failure::HistoryFolderUnusable:
                std::fprintf(stderr, "dorvane: cannot use the history folder: %s; nothing was removed\n",
                             attempt.status.message().c_str());
                return nullptr;
            case RemovalRunLock::Failure::CannotLock:
                std::fprintf(stderr, "dorvane: cannot lock removals: %s; nothing was removed\n",
                             attempt.status.message().c_str());
                return nullptr;
            case RemovalRunLock::Failure::Busy: break;
        }
        const long holder = attempt.holderPid;
        const std::string who = holder > 0 ? " (pid " + std::to_string(holder) + ")" : "";
        if (!options.wait) {
            std::fprintf(stderr, "dorvane: another removal is running%s; nothing was removed (--wait to wait)\n",
                         who.c_str());
            return nullptr;
        }
        if (!said) std::fprintf(stderr, "dorvane: another removal is running%s; waiting for it\n", who.c_str());
        said = true;
        if (options.stopStatus && options.stopStatus() != 0) {
            std::fprintf(stderr, "dorvane: stopped while waiting; nothing was removed\n");
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}
}  // namespace

int runRemoval(std::shared_ptr<DuplicatesContainer> container, const RemoveOptions& options) {
    RemovalOutcome ignored;
    RemovalOutcome& outcome = options.outcome ? *options.outcome : ignored;
    outcome.dryRun = options.dryRun;
    outcome.permanent = options.permanent;
    if (!container) return 0;
    const auto items = container->buildRemoveListAsArray();
    const bool toTrash = !options.permanent;
    const bool print = options.textSummary;
    if (items.empty()) {
        if (print) std::printf("Nothing is selected for removal.\n");
        return 0;
    }
    outcome.kept = keptCopies(items);
    std::uint64_t totalSize = 0;
    for (const auto& item : items) totalSize += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getDiskSize()));

    if (options.dryRun) {
        for (const auto& item : items) {
            outcome.removed.push_back(item->getFileItemPath());
            if (print)
                std::printf("would remove %s: %s\n", toTrash ? "to the Trash" : "permanently",
                            format::displayPath(item->getFileItemPath()).c_str());
        }
        outcome.removedSize = totalSize;
        if (print)
            std::printf("Dry run: %s (%s) would be removed %s; nothing was touched.\n",
                        format::counted(items.size(), "copy", "copies").c_str(), format::size(totalSize).c_str(),
                        toTrash ? "to the Trash" : "permanently");
        return 0;
    }
    if (!toTrash && !options.yes && Settings::standard().showRemovePermanentlyMessage()) {
        const RemoveAlert alert = RemoveAlertTexts::permanentRemovalConfirmation(items.size());
        const bool confirmed = options.interactive && askOnTerminal(alert, std::string());
        if (!confirmed) {
            if (!options.interactive) std::fprintf(stderr, "\n%s\n%s\n", alert.title.c_str(), alert.text.c_str());
            std::fprintf(stderr, "dorvane: permanent removal not confirmed; nothing was removed%s\n",
                         options.interactive ? "" : " (use --yes to confirm)");
            return 3;
        }
    }

    // No copy goes without a record: the history folder must take this run's log before the first
    // removal, to the Trash as well as permanently.
    if (const Status history = VXLog::shared().prepareForRun(); !history) {
        std::fprintf(stderr, "dorvane: the removal history cannot be written, so nothing was removed: %s\n",
                     history.message().c_str());
        return 1;
    }
    // Held until the history of the run is written.
    const std::unique_ptr<RunLock> lock = lockRemovals(options);
    if (!lock) return options.stopStatus && options.stopStatus() != 0 ? options.stopStatus() : 1;

    auto delegate = std::make_shared<Delegate>();
    auto run = DuplicateItemsRemover::create(delegate, std::make_shared<TerminalAlerts>(options), container, toTrash);
    delegate->current = run.get();
    // The Trash helper's script calls this very program's `trash` command.
    run->setHelperRemoverFactory(helper_removers::factory(QCoreApplication::applicationFilePath().toStdString()));

    bool stopped = false;
    int stopStatus = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!stopped && options.stopStatus && (stopStatus = options.stopStatus()) != 0) {
            stopped = true;
            run->stop();
        }
        if (options.showProgress) std::fprintf(stderr, "\r\x1b[K%s", progressLine(*run).c_str());
    });
    ticker.start(options.showProgress ? 250 : 100);
    run->removeItemsInRemoveList();
    if (!delegate->finished) delegate->loop.exec();
    ticker.stop();
    if (options.showProgress) std::fputs("\r\x1b[K", stderr);

    outcome.removed = delegate->removedPaths;
    outcome.removedSize = static_cast<std::uint64_t>(std::max<std::int64_t>(0, run->totalRemovedSize()));
    const auto& errors = run->removeErrors();
    for (const auto& error : errors) outcome.failed.push_back({error->path(), error->reasonText()});
    const std::int64_t notProcessed = run->countOfItemsInRemoveList() - run->totalRemovedCount() -
                                      static_cast<std::int64_t>(errors.size());
    outcome.stopped = stopped;
    outcome.notProcessed = static_cast<std::uint64_t>(std::max<std::int64_t>(0, notProcessed));
    if (print) {
        std::printf("Removed %s of %s (%s) %s.\n", format::count(static_cast<std::uint64_t>(run->totalRemovedCount())).c_str(),
                    format::counted(items.size(), "copy", "copies").c_str(), format::size(outcome.removedSize).c_str(),
                    toTrash ? "to the Trash" : "permanently");
        if (!errors.empty()) {
            // The report's title speaks of failures to remove; copies kept by the check before removal
            // were never tried, and their reasons say why.
            const bool onlyKeptByCheck = std::all_of(errors.begin(), errors.end(),
                                                     [](const auto& e) { return !e->notVerifiedReason().empty(); });
            if (!onlyKeptByCheck) {
                const RemoveAlert report =
                    RemoveAlertTexts::alertForGroup(*DefaultRemoverErrorsContainer::createNotRemovedGroup(errors));
                std::printf("%s\n", report.title.c_str());
            }
            std::printf("Not removed: %s\n", format::counted(errors.size(), "copy", "copies").c_str());
            for (const auto& error : errors)
                std::printf("  %s: %s\n", format::displayPath(error->path()).c_str(), error->reasonText().c_str());
        }
        if (const auto& gone = run->goneWithoutTrash(); !gone.empty()) {
            std::printf("Gone from their place but not found in the Trash (recorded as removed permanently): %s\n",
                        format::counted(gone.size(), "copy", "copies").c_str());
            for (const auto& path : gone) std::printf("  %s\n", format::displayPath(path).c_str());
        }
        if (stopped)
            std::printf("Stopped: %s %s not processed.\n", format::counted(outcome.notProcessed, "copy", "copies").c_str(),
                        outcome.notProcessed == 1 ? "was" : "were");
    }

    const bool historyWritten = reportHistory(run->totalRemovedCount(), print, outcome);
    std::fflush(stdout);
    if (stopped) return stopStatus;
    if (!historyWritten) return 1;
    return errors.empty() && notProcessed <= 0 ? 0 : 1;
}
