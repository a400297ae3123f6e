// Restores a set of removed copies as one operation, reporting per file: each goes to its original
// place (or into a chosen folder) under the first free "restored" name, its parent folders created,
// moved from the Trash or copied from a kept copy; nothing is ever overwritten. Runs once, on the
// thread that calls start() (the window calls it on a queue of its own); stop() may come from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/SubOperationsStatistics.h"

class BaseRemovedItem;
class RestoreComplexOperationDelegate;

class RestoreComplexOperation {
public:
    // No destination folder: the original places.
    RestoreComplexOperation(std::vector<std::shared_ptr<BaseRemovedItem>> items,
                            std::optional<std::string> destinationFolderPath, RestoreComplexOperationDelegate* delegate);

    // Performs the restore; a second call does nothing.
    void start();
    void stop() { m_bStopped = true; }

    const SubOperationsStatistics& operationsStatistics() const { return m_statistics; }
    std::int64_t totalCountOfOperations() const { return m_statistics.totalCount; }
    std::int64_t countOfSuccessfullyPerformedOperations() const { return m_statistics.countOfSuccessfullyPerformed; }

private:
    void restoreItemsFrom(const std::vector<std::shared_ptr<BaseRemovedItem>>& dependentItems);

    std::vector<std::shared_ptr<BaseRemovedItem>> m_items;
    std::optional<std::string> m_destinationFolderPath;
    RestoreComplexOperationDelegate* m_pDelegate;
    SubOperationsStatistics m_statistics;
    bool m_bIsUsed = false;
    std::atomic<bool> m_bStopped {false};
};
