#include "history/LogManager.h"

#include "history/WritableLog.h"
#include "history/WritableLogFactory.h"

LogManager& LogManager::shared() {
    static LogManager* manager = new LogManager();  // lives as long as the process: logs may save at exit
    return *manager;
}

void LogManager::setLogFactory(std::shared_ptr<WritableLogFactory> factory) {
    std::lock_guard lock(m_mutex);
    m_pFactory = std::move(factory);
}

std::shared_ptr<WritableLogFactory> LogManager::factory() const {
    std::lock_guard lock(m_mutex);
    return m_pFactory;
}

std::shared_ptr<WritableLog> LogManager::currentLog() const {
    std::lock_guard lock(m_mutex);
    return m_pCurrentLog;
}

void LogManager::beginLog() {
    if (currentLog()) endLog();
    const auto f = factory();
    auto log = f ? f->createEmptyLog() : nullptr;
    std::lock_guard lock(m_mutex);
    m_pCurrentLog = std::move(log);
}

LogWriteOutcome LogManager::endLog() {
    std::shared_ptr<WritableLog> log;
    {
        std::lock_guard lock(m_mutex);
        log = std::move(m_pCurrentLog);
        m_pCurrentLog = nullptr;
    }
    if (!log) return {};
    save(log);
    return log->saveOutcome();
}

void LogManager::deleteLog() {
    std::lock_guard lock(m_mutex);
    m_pCurrentLog = nullptr;
}

void LogManager::save(const std::shared_ptr<WritableLog>& log) {
    if (!log) return;
    {
        std::lock_guard lock(m_mutex);
        m_pLastSavedLog = log;
    }
    log->save();
}

void LogManager::waitUntilSaved() {
    std::shared_ptr<WritableLog> log;
    {
        std::lock_guard lock(m_mutex);
        log = m_pLastSavedLog.lock();
    }
    if (log) log->waitUntilIdle();
}
