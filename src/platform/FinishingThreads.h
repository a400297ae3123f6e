// Threads whose owner was destroyed by a task running on them: they cannot join themselves, so they
// are handed here and joined by joinAll() before the process exits (after all queued work), so that no
// such thread is still ending (its thread-local state included) while static state is freed.
// adopt() from any thread; joinAll() from the main thread, once no work is queued.
#pragma once

#include <thread>

namespace finishing_threads {
// Takes a thread that is about to leave its loop (after the tasks left on its queue).
void adopt(std::thread thread);
void joinAll();
// Joins a thread that was told to leave its loop, or adopts it when the caller is that thread itself
// (an owner destroyed by one of its own tasks; the loop keeps its own reference to its state).
void joinOrAdopt(std::thread& thread);
}  // namespace finishing_threads
