// The process-wide recorder of removal runs: prepareForRun and beginLogOfGroups before anything is
// removed, onItem (moved to the Trash) or onItemRemoved for every removed copy, endLog at the end, which
// writes the run's own log file if anything was removed and logging is on, and answers how that went.
// Any thread but the log's queue: calls serialise on one lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "history/LogWriteOutcome.h"
#include "platform/Status.h"

class DuplicateItem;
class DuplicatesGroup;
class VXLogFactory;
class VXLogGroup;

class VXLog {
public:
    static VXLog& shared();
    VXLog(const VXLog&) = delete;
    VXLog& operator=(const VXLog&) = delete;

    // Before a run removes anything: when the setting "Log Removed Duplicates" is on, creates the log
    // folder and proves that it takes new files, so that no copy goes without a record. Ok when
    // logging is off.
    Status prepareForRun();
    // Ends (and writes) a run still open, reads the setting "Log Removed Duplicates" and records
    // every file of the groups.
    void beginLogOfGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    // The copy reached the Trash at pathInTrash.
    void onItem(DuplicateItem& item, const std::string& pathInTrash);
    void onItem(const std::shared_ptr<DuplicateItem>& item, const std::string& pathInTrash);
    // The copy was removed without the Trash (or had gone already).
    void onItemRemoved(DuplicateItem& item);
    void onItemRemoved(const std::shared_ptr<DuplicateItem>& item);
    // The copy left its place during a helper's move to the Trash without reaching the Trash: recorded
    // as removed without the Trash, with "vanished".
    void onItemGoneElsewhere(const std::shared_ptr<DuplicateItem>& item);
    // Writes the run into a file of its own when logging is on and something was removed, waits for
    // the write, forgets the groups and answers (and keeps for lastRunOutcome) where the log went or
    // why it could not be written; NothingToWrite when logging is off or nothing was removed.
    LogWriteOutcome endLog();
    // The answer of the last endLog since the last run began (NothingToWrite before that).
    LogWriteOutcome lastRunOutcome() const;

    // The record by group identifier and path, for callers that no longer hold the member; a null
    // pathInTrash means removed permanently. Unknown groups and paths are ignored.
    void onItemWithPathInGroup(std::int64_t groupId, const std::string& path,
                               const std::optional<std::string>& pathInTrash, bool vanished = false);

    std::optional<std::string> logFolderPath() const;
    bool hasRemovedItems() const;
    bool isLoggingTurnOn() const;
    std::shared_ptr<VXLogGroup> groupWithIdentifier(std::int64_t identifier) const;
    // Starts recording a group (only while logging is on); replaces a group with the same identifier.
    void addGroup(std::shared_ptr<VXLogGroup> group);
    // Reads the logging switch again and forgets every group, as beginLogOfGroups does.
    void beginLogOfGroupRecords(std::vector<std::shared_ptr<VXLogGroup>> groups);

private:
    VXLog();

    const std::shared_ptr<VXLogFactory> m_pFactory;
    mutable std::recursive_mutex m_mutex;
    bool m_bIsLoggingTurnOn = false;                                // guarded by m_mutex
    std::map<std::int64_t, std::shared_ptr<VXLogGroup>> m_groups;  // guarded by m_mutex
    LogWriteOutcome m_lastRunOutcome;                               // guarded by m_mutex
};
