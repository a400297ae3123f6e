#include "platform/Dispatch.h"

#include <algorithm>
#include <thread>

#include "platform/ThreadPool.h"

namespace dispatch {

MainQueue& main() {
    static MainQueue queue;
    return queue;
}

ThreadPool& background() {
    // Enough threads for four concurrent file reads plus other background work on a small machine.
    static ThreadPool pool("background", std::max(8, static_cast<int>(std::thread::hardware_concurrency())));
    return pool;
}

bool isMainThread() { return main().isCurrent(); }

}  // namespace dispatch
