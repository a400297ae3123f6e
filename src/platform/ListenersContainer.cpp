#include "platform/ListenersContainer.h"

#include "platform/Dispatch.h"

namespace listeners_detail {
namespace {
std::mutex g_pendingMutex;
std::vector<std::function<void()>> g_pending;  // guarded by g_pendingMutex
}  // namespace

void enqueueOnMain(std::function<void()> work) {
    bool schedule = false;
    {
        std::lock_guard lock(g_pendingMutex);
        schedule = g_pending.empty();
        g_pending.push_back(std::move(work));
    }
    if (!schedule) return;
    dispatch::main().async([] {
        std::vector<std::function<void()>> batch;
        {
            std::lock_guard lock(g_pendingMutex);
            batch.swap(g_pending);
        }
        for (auto& w : batch) w();
    });
}
}  // namespace listeners_detail
