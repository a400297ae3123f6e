// The folder of removal logs as a history for restoring: one container per calendar day, newest day
// first, each holding its logs newest first. Lists file names only; the logs are read when their
// controllers load. Clearing deletes log files and nothing else. One thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Status.h"

class RestoreControllersContainer;

class RestoreKenelManager {
public:
    // Every "*.log" whose name is a log's; other names are not listed. An unreadable folder lists none.
    void loadFromFolder(const std::string& folder);
    const std::string& folderName() const { return m_sFolderName; }
    const std::vector<std::shared_ptr<RestoreControllersContainer>>& restoreControllers() const { return m_containers; }

    // Answers the deletions that failed (the rest are gone).
    std::vector<Status> clearHistory();
    std::vector<Status> clearHistoryFor(const RestoreControllersContainer& container);
    // The name and date of every log file of the folder.
    void enumerateLogFiles(const std::function<void(const std::string& name, std::int64_t date)>& visit) const;

    // The day holding the date's local noon, or null.
    std::shared_ptr<RestoreControllersContainer> containerForDay(std::int64_t date) const;

private:
    std::string m_sFolderName;
    std::vector<std::shared_ptr<RestoreControllersContainer>> m_containers;
    std::map<std::int64_t, std::shared_ptr<RestoreControllersContainer>> m_containersByNoon;
};
