// Counts the tasks queued or running on the worker queues of the process (serial queues and thread
// pools), so that the process can wait until no worker has anything left to do before it exits.
// Any thread may call; the count lives for the whole process (it is never destroyed).
#pragma once

class PendingWork {
public:
    PendingWork() = delete;

    // A task was queued; called before it becomes visible to a worker.
    static void add();
    // A task that was counted ran and was destroyed.
    static void done();
    // Blocks until the count is 0. Tasks still queued may queue further tasks before they finish:
    // the count only reaches 0 when the whole chain has run.
    static void waitUntilNone();
    static long count();
};
