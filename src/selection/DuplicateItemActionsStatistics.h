// Usage counts of the user's selection actions, shared by the whole process: how often the Never Select
// list kept Auto Select from selecting a copy. Any thread.
#pragma once

#include <atomic>
#include <cstdint>

class DuplicateItemActionsStatistics {
public:
    static DuplicateItemActionsStatistics& sharedInstance();
    DuplicateItemActionsStatistics(const DuplicateItemActionsStatistics&) = delete;
    DuplicateItemActionsStatistics& operator=(const DuplicateItemActionsStatistics&) = delete;

    void onNeverSelectListWasUsed() { m_nCountOfNeverSelectListWasUsed.fetch_add(1, std::memory_order_relaxed); }
    std::int64_t countOfNeverSelectListWasUsed() const {
        return m_nCountOfNeverSelectListWasUsed.load(std::memory_order_relaxed);
    }
    void clearInfo() { m_nCountOfNeverSelectListWasUsed.store(0, std::memory_order_relaxed); }

private:
    DuplicateItemActionsStatistics() = default;

    // Atomic because folder decisions are made on the main thread and on preview queues alike.
    std::atomic<std::int64_t> m_nCountOfNeverSelectListWasUsed{0};
};
