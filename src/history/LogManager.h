// The process-wide owner of the log being filled: beginLog makes a new one from the factory (saving an
// open one first), endLog detaches and saves it and answers how the save went. Any thread but a log's
// own queue; the fields are guarded by one mutex.
#pragma once

#include <memory>
#include <mutex>

#include "history/LogWriteOutcome.h"

class WritableLog;
class WritableLogFactory;

class LogManager {
public:
    static LogManager& shared();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    void setLogFactory(std::shared_ptr<WritableLogFactory> factory);
    std::shared_ptr<WritableLogFactory> factory() const;
    std::shared_ptr<WritableLog> currentLog() const;

    void beginLog();
    // Saves the current log and waits for the save: the file written, the failure, or NothingToWrite
    // (no current log, or nothing in it to write).
    LogWriteOutcome endLog();
    void deleteLog();  // forgets the current log without saving it
    void save(const std::shared_ptr<WritableLog>& log);
    // Waits until the last saved log has been written (or given up); for quitting and for tests.
    void waitUntilSaved();

private:
    LogManager() = default;

    mutable std::mutex m_mutex;
    std::shared_ptr<WritableLogFactory> m_pFactory;  // guarded by m_mutex
    std::shared_ptr<WritableLog> m_pCurrentLog;      // guarded by m_mutex
    std::weak_ptr<WritableLog> m_pLastSavedLog;      // guarded by m_mutex; alive while its steps are queued
};
