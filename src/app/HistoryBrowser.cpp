#include "app/HistoryBrowser.h"

#include <QDateTime>
#include <QLocale>

#include <map>
#include <mutex>

#include "history/BaseRemovedItem.h"
#include "history/KeptItem.h"
#include "history/RestoreComplexOperation.h"
#include "history/RestoreComplexOperationDelegate.h"
#include "history/RestoreController.h"
#include "history/RestoreControllersContainer.h"
#include "history/RestoreGroup.h"
#include "history/RestoreItem.h"
#include "history/RestoreKenelManager.h"
#include "history/VXLogFactory.h"
#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "platform/UserPaths.h"

namespace {
std::string tilde(const std::string& path) {
    const std::string home = user_paths::home();
    if (!home.empty() && home != "/" && (path == home || path.starts_with(home + "/"))) return "~" + path.substr(home.size());
    return path;
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Outcome {
    std::string text;
    bool failed = false;
};

// Hears the restore on the job's thread; the outcomes are read by the same thread afterwards.
class OutcomeRecorder : public RestoreComplexOperationDelegate {
public:
    void restoreOperationSuccessfullyRestore(RestoreComplexOperation&, const BaseRemovedItem& item, const std::string&,
                                             const std::string& destination, const std::string& note) override {
        std::string text = destination == item.originalPath() ? "Restored" : "Restored as " + tilde(destination);
        if (!note.empty()) text += " (" + note + ")";
        outcomes[&item] = {text, false};
        ++restored;
    }
    void restoreOperationFailedToRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                         const std::string& reason) override {
        outcomes[&item] = {"Not restored: " + reason, true};
        ++failed;
    }
    std::map<const BaseRemovedItem*, Outcome> outcomes;
    std::int64_t restored = 0;
    std::int64_t failed = 0;
};
}  // namespace

struct HistoryBrowser::Job {
    std::mutex mutex;
    bool done = false;                 // guarded by mutex
    std::vector<HistoryRunRow> runs;   // guarded by mutex
    std::string summary;               // guarded by mutex; set by a restore
    HistoryMessage message;            // guarded by mutex; files of a restore that were not found
};

std::int64_t HistoryRunRow::restorableCount() const {
    std::int64_t n = 0;
    for (const auto& f : files) n += f.state != HistoryFileState::NotRestorable && f.state != HistoryFileState::Restored;
    return n;
}

std::int64_t HistoryRunRow::tickedCount() const {
    std::int64_t n = 0;
    for (const auto& f : files) n += f.ticked;
    return n;
}

HistoryBrowser::HistoryBrowser(std::optional<std::string> folder)
    : m_sFolder(folder ? *folder : VXLogFactory::logFolderPath().value_or("")),
      m_pManager(std::make_unique<RestoreKenelManager>()) {
    reload();
}

// A job still running keeps what it was handed; its snapshot is dropped with the last reference.
HistoryBrowser::~HistoryBrowser() = default;

void HistoryBrowser::reload() {
    if (isBusy()) return;
    m_pManager = std::make_unique<RestoreKenelManager>();
    if (!m_sFolder.empty()) m_pManager->loadFromFolder(m_sFolder);
    m_chosenDay.reset();
    m_runs.clear();
}

std::size_t HistoryBrowser::dayCount() const { return m_pManager->restoreControllers().size(); }

std::string HistoryBrowser::dayTitle(std::size_t index) const {
    if (index >= dayCount()) return {};
    const QDate day = QDateTime::fromSecsSinceEpoch(m_pManager->restoreControllers()[index]->noon()).date();
    return QLocale(QLocale::English).toString(day, QStringLiteral("dddd, d MMMM yyyy")).toStdString();
}

void HistoryBrowser::chooseDay(std::size_t index) {
    if (isBusy() || index >= dayCount()) return;
    m_chosenDay = index;
    m_runs.clear();
    m_sLastSummary.clear();
    startJob(m_pManager->restoreControllers()[index]->controllers(), true, {}, std::nullopt);
}

HistoryFileRow HistoryBrowser::describe(const std::shared_ptr<BaseRemovedItem>& item) {
    HistoryFileRow row;
    row.item = item;
    row.path = item->originalPathDisplayString();
    row.size = item->fileSize();
    row.ticked = item->isSelected();
    const auto* trashed = dynamic_cast<const RestoreItem*>(item.get());
    if (const auto restored = item->pathToRestoredFile()) {
        row.state = HistoryFileState::Restored;
        row.stateText = *restored == item->originalPath() ? "restored" : "restored as " + tilde(*restored);
        return row;
    }
    const auto source = item->itemToRestoreFrom();
    if (!source) {
        row.state = HistoryFileState::NotRestorable;
        row.stateText = trashed ? "not restorable: not in the Trash, and no copy found"
                                : "not restorable: removed permanently, and no kept copy found";
        return row;
    }
    const std::string from = source->itemToRestoreSourcePath();
    if (source.get() == item.get() && trashed && from == trashed->pathInTrash()) {
        row.state = HistoryFileState::FromTrash;
        row.stateText = "in the Trash";
    } else if (dynamic_cast<const BaseRemovedItem*>(source.get())) {
        row.state = HistoryFileState::FromRestoredCopy;
        row.stateText = "from the restored copy " + tilde(from);
    } else if (item->restoreInfoDelegate() && source == item->restoreInfoDelegate()->fakeKeptItem()) {
        row.state = HistoryFileState::FromChosenFile;
        row.stateText = "from the chosen file " + tilde(from);
    } else {
        row.state = HistoryFileState::FromKeptCopy;
        row.stateText = "from the kept copy " + tilde(from);
    }
    return row;
}

void HistoryBrowser::startJob(std::vector<std::shared_ptr<RestoreController>> controllers, bool load,
                              std::vector<std::shared_ptr<BaseRemovedItem>> toRestore,
                              std::optional<std::string> destination) {
    auto job = std::make_shared<Job>();
    m_pJob = job;
    const bool restoring = !toRestore.empty();
    dispatch::background().async([job, controllers = std::move(controllers), load, toRestore = std::move(toRestore),
                                  destination = std::move(destination), restoring] {
        if (load)
            for (const auto& c : controllers) c->loadOnlyIfHasNoLoadedData(true);
        OutcomeRecorder recorder;
        std::string summary;
        HistoryMessage message;
        if (restoring) {
            // Looked at again now: the Trash or a kept copy may have changed since the ticks.
            std::vector<std::shared_ptr<BaseRemovedItem>> runnable;
            std::int64_t earlier = 0;
            std::vector<std::shared_ptr<BaseRemovedItem>> notFound;
            for (const auto& item : toRestore) {
                item->clearCache();
                if (!destination && item->isRestored()) {
                    item->setIsSelected(false);
                    ++earlier;
                } else if (!item->isRestorable()) {
                    recorder.outcomes[item.get()] = {"Not restored: the removed file was not found, and no copy of it", true};
                    ++recorder.failed;
                    notFound.push_back(item);
                } else {
                    runnable.push_back(item);
                }
            }
            const std::int64_t asked = static_cast<std::int64_t>(toRestore.size()) - earlier;
            if (!runnable.empty()) {
                RestoreComplexOperation operation(runnable, destination, &recorder);
                operation.start();
            }
            summary = "Restored " + std::to_string(recorder.restored) + " of " + std::to_string(asked) + " files.";
            if (recorder.failed > 0) summary += " " + std::to_string(recorder.failed) + " could not be restored.";
            if (earlier > 0) summary += " " + std::to_string(earlier) + " had been restored earlier.";
            if (notFound.size() > 1) {
                message = {"Cannot restore some files", std::to_string(notFound.size()) + " files were not found."};
            } else if (notFound.size() == 1) {
                const auto& item = notFound.front();
                const std::string kind = item->isDirectory() ? "folder" : "file";
                if (dynamic_cast<const RestoreItem*>(item.get()))
                    message = {"Cannot restore " + kind + " \"" + lastComponent(item->originalPath()) + "\"",
                               "The removed " + kind + " was not found in Trash."};
                else
                    message = {"", "No copy of duplicate was found to restore."};
            }
        }
        std::vector<HistoryRunRow> runs;
        for (const auto& c : controllers) {
            HistoryRunRow run;
            run.controller = c;
            const QDateTime when = QDateTime::fromSecsSinceEpoch(c->date().value_or(0));
            run.title = when.toString(QStringLiteral("HH:mm:ss")).toStdString();
            if (c->sequence() > 1) run.title += " (" + std::to_string(c->sequence()) + ")";
            run.problem = c->loadProblem();
            for (const auto& child : c->children()) {
                HistoryFileRow row = describe(child);
                if (const auto found = recorder.outcomes.find(child.get()); found != recorder.outcomes.end()) {
                    row.result = found->second.text;
                    row.resultIsFailure = found->second.failed;
                }
                run.files.push_back(std::move(row));
            }
            runs.push_back(std::move(run));
        }
        std::lock_guard lock(job->mutex);
        job->runs = std::move(runs);
        job->summary = std::move(summary);
        job->message = std::move(message);
        job->done = true;
    });
}

bool HistoryBrowser::poll() {
    if (!m_pJob) return false;
    const std::shared_ptr<Job> job = m_pJob;  // outlives the lock below
    {
        std::lock_guard lock(job->mutex);
        if (!job->done) return false;
        m_runs = std::move(job->runs);
        if (!job->summary.empty()) m_sLastSummary = std::move(job->summary);
        m_message = std::move(job->message);
    }
    m_pJob.reset();
    return true;
}

std::int64_t HistoryBrowser::removedCount() const {
    std::int64_t n = 0;
    for (const auto& r : m_runs) n += static_cast<std::int64_t>(r.files.size());
    return n;
}

std::int64_t HistoryBrowser::restorableCount() const {
    std::int64_t n = 0;
    for (const auto& r : m_runs) n += r.restorableCount();
    return n;
}

std::int64_t HistoryBrowser::tickedCount() const {
    std::int64_t n = 0;
    for (const auto& r : m_runs) n += r.tickedCount();
    return n;
}

bool HistoryBrowser::setTicked(std::size_t run, std::size_t file, bool ticked) {
    if (isBusy() || run >= m_runs.size() || file >= m_runs[run].files.size()) return false;
    HistoryFileRow& row = m_runs[run].files[file];
    if (ticked && !row.tickable()) return false;
    if (!row.item->setIsSelected(ticked)) return false;
    row.ticked = ticked;
    return true;
}

void HistoryBrowser::setRunTicked(std::size_t run, bool ticked) {
    if (run >= m_runs.size()) return;
    for (std::size_t f = 0; f < m_runs[run].files.size(); ++f) setTicked(run, f, ticked);
}

void HistoryBrowser::setAllTicked(bool ticked) {
    for (std::size_t r = 0; r < m_runs.size(); ++r) setRunTicked(r, ticked);
}

HistoryMessage HistoryBrowser::restoreTicked(const std::optional<std::string>& destination) {
    if (isBusy()) return {"A restore is running", "Wait until it has finished."};
    std::vector<std::shared_ptr<BaseRemovedItem>> ticked;
    std::vector<std::shared_ptr<RestoreController>> controllers;
    for (const auto& run : m_runs) {
        controllers.push_back(run.controller);
        for (const auto& file : run.files)
            if (file.ticked) ticked.push_back(file.item);
    }
    if (ticked.empty()) {
        if (restorableCount() == 0)
            return {"No duplicates to restore", "All duplicates removed on this date have been restored already."};
        return {"No duplicates to restore", "Tick the files to restore first."};
    }
    startJob(std::move(controllers), false, std::move(ticked), destination);
    return {};
}

HistoryMessage HistoryBrowser::messageForUnrestorable(std::size_t run, std::size_t file) const {
    if (run >= m_runs.size() || file >= m_runs[run].files.size()) return {};
    const HistoryFileRow& row = m_runs[run].files[file];
    if (row.state != HistoryFileState::NotRestorable) return {};
    const char* kind = row.item->isDirectory() ? "folder" : "file";
    HistoryMessage m;
    m.message = std::string("Cannot restore ") + kind + " \"" + lastComponent(row.item->originalPath()) + "\"";
    m.informativeText = "Any copy for the duplicate was not found.\nWould you like to find a file to restore manually?";
    m.offersFindFile = true;
    return m;
}

HistoryMessage HistoryBrowser::useAsOriginal(std::size_t run, std::size_t file, const std::string& path) {
    if (isBusy() || run >= m_runs.size() || file >= m_runs[run].files.size()) return {"A restore is running", ""};
    const HistoryFileRow& row = m_runs[run].files[file];
    if (!row.item->setFileAsFakeOriginal(path))
        return {"File \"" + lastComponent(path) + "\" is not the original for the removed duplicate",
                "File size or modification date is different. Would you like to choose another one?"};
    std::vector<std::shared_ptr<RestoreController>> controllers;
    for (const auto& r : m_runs) controllers.push_back(r.controller);
    startJob(std::move(controllers), false, {}, std::nullopt);
    return {};
}

std::vector<std::string> HistoryBrowser::clearHistory() {
    std::vector<std::string> failures;
    if (isBusy()) return {"A restore is running."};
    for (const Status& s : m_pManager->clearHistory()) failures.push_back(s.message());
    reload();
    return failures;
}

std::vector<std::string> HistoryBrowser::clearChosenDay() {
    std::vector<std::string> failures;
    if (isBusy() || !m_chosenDay || *m_chosenDay >= dayCount()) return failures;
    for (const Status& s : m_pManager->clearHistoryFor(*m_pManager->restoreControllers()[*m_chosenDay]))
        failures.push_back(s.message());
    reload();
    return failures;
}
