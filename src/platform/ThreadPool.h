// A fixed set of threads that run submitted tasks in any order, several at once; the global
// background queue of the process. Any thread may submit. Destruction drains the queued tasks.
#pragma once

#include <functional>
#include <memory>
#include <string>

class ThreadPool {
public:
    ThreadPool(std::string name, int threadCount);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    void async(std::function<void()> task);
    int threadCount() const;

    // Lets the queued tasks finish and ends the threads (joined; a pool thread calling it is left to
    // finish by itself). Tasks submitted afterwards run at once on the submitting thread.
    void shutdown();

    // Test seam: called inside async on the submitting thread, after the task is queued and the pool's
    // lock released, before a pool thread is woken. Set it before the pool is shared.
    void setEnqueuedProbeForTesting(std::function<void()> probe);

private:
    struct State;
    std::shared_ptr<State> m_pState;
};
