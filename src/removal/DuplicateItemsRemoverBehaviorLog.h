// The diagnostic trace of removal runs, one line per event, that a problem report may carry. One
// shared instance (replaceable for tests). Any thread: appends and reads take the instance's mutex.
#pragma once

#include <memory>
#include <mutex>
#include <string>

class DuplicateItemsRemoverBehaviorLog {
public:
    DuplicateItemsRemoverBehaviorLog() = default;
    DuplicateItemsRemoverBehaviorLog(const DuplicateItemsRemoverBehaviorLog&) = delete;
    DuplicateItemsRemoverBehaviorLog& operator=(const DuplicateItemsRemoverBehaviorLog&) = delete;

    static std::shared_ptr<DuplicateItemsRemoverBehaviorLog> shared();
    static void setShared(std::shared_ptr<DuplicateItemsRemoverBehaviorLog> log);

    // Appends the text and a line break.
    void appendLine(const std::string& line);
    std::string content() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::string m_sContent;  // guarded by m_mutex
};
