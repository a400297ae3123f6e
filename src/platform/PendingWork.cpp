#include "platform/PendingWork.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {
struct Counter {
    std::atomic<long> count{0};
    std::mutex mutex;  // taken only to wait for 0 and to announce it
    std::condition_variable none;
};

Counter& counter() {
    // Never destroyed: workers may finish their tasks while the process runs its exit-time destructors.
    static auto* instance = new Counter();
    return *instance;
}
}  // namespace

void PendingWork::add() { counter().count.fetch_add(1, std::memory_order_relaxed); }

void PendingWork::done() {
    Counter& c = counter();
    // Release: whatever the task did happens before a waiter sees the count reach 0.
    if (c.count.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    std::lock_guard lock(c.mutex);
    c.none.notify_all();
}

void PendingWork::waitUntilNone() {
    Counter& c = counter();
    std::unique_lock lock(c.mutex);
    c.none.wait(lock, [&] { return c.count.load(std::memory_order_acquire) == 0; });
}

long PendingWork::count() { return counter().count.load(std::memory_order_acquire); }
