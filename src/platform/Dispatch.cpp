#include "platform/Dispatch.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/CpuSpreadExecutor.h"
#include "platform/FinishingThreads.h"
#include "platform/MainQueuePending.h"
#include "platform/PendingWork.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadPool.h"

namespace dispatch {
namespace {
std::atomic<bool> g_backgroundCreated{false};
std::atomic<bool> g_shuttingDown{false};

struct Residents {
    std::mutex mutex;
    std::vector<std::shared_ptr<SerialQueue>> queues;  // guarded by mutex
};

Residents& residents() {
    // Never destroyed: the queues must outlive every exit-time destructor that might still use them.
    static auto* instance = new Residents();
    return *instance;
}
}  // namespace

MainQueue& main() {
    static MainQueue queue;
    return queue;
}

ThreadPool& background() {
    // Enough threads for four concurrent file reads plus other background work on a small machine.
    static ThreadPool pool("background", std::max(8, static_cast<int>(std::thread::hardware_concurrency())));
    g_backgroundCreated.store(true, std::memory_order_release);
    return pool;
}

bool isMainThread() { return main().isCurrent(); }

std::shared_ptr<SerialQueue> residentQueue(std::string label) {
    auto queue = SerialQueue::create(std::move(label));
    Residents& r = residents();
    std::lock_guard lock(r.mutex);
    r.queues.push_back(queue);
    return queue;
}

void shutdown() {
    if (g_shuttingDown.exchange(true)) return;
    // Work left for the main thread never runs now. Dropping it may queue work for the workers (a
    // scanner it held stops its filter), and that work may post to the main thread again: both sides
    // are emptied until neither has anything left, so that no queue is still busy at the exit.
    do {
        main_queue::dropPending();
        PendingWork::waitUntilNone();
    } while (main_queue::pendingCount() > 0);
    // Nothing is queued or running: the threads are idle and end at once.
    std::vector<std::shared_ptr<SerialQueue>> queues;
    {
        Residents& r = residents();
        std::lock_guard lock(r.mutex);
        queues = r.queues;
    }
    for (const auto& queue : queues) queue->shutdown();
    CpuSpreadExecutor::shutdownShared();
    if (g_backgroundCreated.load(std::memory_order_acquire)) background().shutdown();
    finishing_threads::joinAll();
}

bool isShuttingDown() { return g_shuttingDown.load(std::memory_order_acquire); }

}  // namespace dispatch
