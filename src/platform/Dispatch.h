// Entry points to the process-wide queues: the main queue, the global background pool and the
// resident serial queues, and the orderly end of all their threads before the process exits.
// Safe to call from any thread; shutdown from the main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/MainQueue.h"

class SerialQueue;
class ThreadPool;

namespace dispatch {
MainQueue& main();
ThreadPool& background();
bool isMainThread();

// A serial queue that lives as long as the process and is ended by shutdown().
std::shared_ptr<SerialQueue> residentQueue(std::string label);

// Drops the main-queue work still queued and waits until no worker queue has a task queued or running
// (tasks queued by tasks included), then ends and joins the threads of the background pool, the resident
// queues, the digest executor and the queues freed by their own tasks, so none runs while exit-time
// destructors free static state. Work submitted to those afterwards runs at once on the submitting
// thread. Called by main() before it returns, on the main thread; later calls do nothing.
void shutdown();
// Whether shutdown() has begun; long work may end early once it has.
bool isShuttingDown();
}  // namespace dispatch
