// The History window's logic: the days of the removal history, the runs and removed files of the chosen
// day as a snapshot the views read, ticks, and restores. Reading a day and restoring run as jobs on the
// background pool; the window polls them (poll()) and never waits. Main thread only, except the jobs,
// which touch only what they were handed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class BaseRemovedItem;
class RestoreController;
class RestoreControllersContainer;
class RestoreKenelManager;

enum class HistoryFileState { FromTrash, FromKeptCopy, FromRestoredCopy, FromChosenFile, Restored, NotRestorable };

// One removed file as the window shows it; computed by a job, so reading it never touches the disk.
struct HistoryFileRow {
    std::shared_ptr<BaseRemovedItem> item;
    std::string path;  // the original path, the home folder written "~"
    std::int64_t size = -1;
    HistoryFileState state = HistoryFileState::NotRestorable;
    std::string stateText;   // "in the Trash", "from the kept copy ~/a.jpg", "restored", "not restorable: …"
    bool ticked = false;
    std::string result;      // after a restore that included it: "Restored to …" or "Not restored: …"
    bool resultIsFailure = false;
    bool tickable() const { return state != HistoryFileState::Restored && state != HistoryFileState::NotRestorable; }
};

// One removal run (one log) of the chosen day.
struct HistoryRunRow {
    std::shared_ptr<RestoreController> controller;
    std::string title;  // "14:03:22", "14:03:22 (2)" for the second run of that second
    std::string problem;  // why the log could not be read, empty otherwise
    std::vector<HistoryFileRow> files;
    std::int64_t restorableCount() const;
    std::int64_t tickedCount() const;
};

// What the window says when Restore cannot start, or asks before it can.
struct HistoryMessage {
    std::string message;
    std::string informativeText;
    bool offersFindFile = false;  // the buttons "Cancel" and "Find File"
    bool empty() const { return message.empty() && informativeText.empty(); }
};

class HistoryBrowser {
public:
    // The application's log folder, or another one (tests).
    explicit HistoryBrowser(std::optional<std::string> folder = std::nullopt);
    ~HistoryBrowser();
    HistoryBrowser(const HistoryBrowser&) = delete;
    HistoryBrowser& operator=(const HistoryBrowser&) = delete;

    // Lists the days again (file names only) and forgets the chosen day; not while busy.
    void reload();
    const std::string& folder() const { return m_sFolder; }
    std::size_t dayCount() const;
    // "Monday, 7 December 2026"
    std::string dayTitle(std::size_t index) const;
    // Starts reading the day's logs; the runs come with the next poll() that answers true.
    void chooseDay(std::size_t index);
    std::optional<std::size_t> chosenDay() const { return m_chosenDay; }

    // Whether a job runs; the window disables its commands meanwhile.
    bool isBusy() const { return m_pJob != nullptr; }
    // Takes a finished job's snapshot (and results); true when something changed.
    bool poll();
    const std::vector<HistoryRunRow>& runs() const { return m_runs; }
    std::int64_t removedCount() const;
    std::int64_t restorableCount() const;
    std::int64_t tickedCount() const;
    // The summary of the last restore: "Restored 3 of 3 files." …; empty before one.
    const std::string& lastRestoreSummary() const { return m_sLastSummary; }
    // What the last restore has to tell beyond its summary (files that were not found), once.
    HistoryMessage takeMessage() { return std::exchange(m_message, {}); }

    // Ticks: refused (false) for a restored or unrestorable file and while busy.
    bool setTicked(std::size_t run, std::size_t file, bool ticked);
    // Ticks every tickable file of the run, or unticks all of it.
    void setRunTicked(std::size_t run, bool ticked);
    void setAllTicked(bool ticked);

    // Restores the ticked files, to their places or into `destination`. Answers the message to show
    // instead when nothing can be started; an empty message means the restore runs.
    HistoryMessage restoreTicked(const std::optional<std::string>& destination);

    // An unrestorable file chosen in the list: the message that offers to find its original.
    HistoryMessage messageForUnrestorable(std::size_t run, std::size_t file) const;
    static constexpr const char* kChooseOriginalTitle = "Choose an original file for removed duplicate";
    // A file the user pointed out for an unrestorable file: on a match it becomes the group's original
    // (the file's state is read again by a job); otherwise the message asks to choose another one.
    HistoryMessage useAsOriginal(std::size_t run, std::size_t file, const std::string& path);

    // Deletes the log files of all days or of the chosen day, then lists the days again; answers the
    // deletions that failed, as text.
    std::vector<std::string> clearHistory();
    std::vector<std::string> clearChosenDay();

    // The row of a removed file as it stands now (reads the disk); jobs use it, tests too.
    static HistoryFileRow describe(const std::shared_ptr<BaseRemovedItem>& item);

private:
    struct Job;
    void startJob(std::vector<std::shared_ptr<RestoreController>> controllers, bool reload,
                  std::vector<std::shared_ptr<BaseRemovedItem>> toRestore, std::optional<std::string> destination);

    std::string m_sFolder;
    std::unique_ptr<RestoreKenelManager> m_pManager;
    std::optional<std::size_t> m_chosenDay;
    std::vector<HistoryRunRow> m_runs;
    std::shared_ptr<Job> m_pJob;
    std::string m_sLastSummary;
    HistoryMessage m_message;
};
