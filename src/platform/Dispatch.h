// Entry points to the process-wide queues: the main queue and the global background pool.
// Safe to call from any thread.
#pragma once

#include "platform/MainQueue.h"

class ThreadPool;

namespace dispatch {
MainQueue& main();
ThreadPool& background();
bool isMainThread();
}  // namespace dispatch
