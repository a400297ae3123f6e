#include "platform/ThreadPool.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FinishingThreads.h"

#include "platform/PendingWork.h"
#include "platform/ThreadStartError.h"

struct ThreadPool::State {
    std::string name;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;  // guarded by mutex
    bool stopping = false;                    // guarded by mutex
    int running = 0;                          // guarded by mutex: threads still in their loop
    std::vector<std::thread> threads;         // joined or detached once, by shutdown
    std::once_flag shutdownOnce;
    std::function<void()> enqueuedProbe;  // set before the pool is shared
};

ThreadPool::ThreadPool(std::string name, int threadCount) : m_pState(std::make_shared<State>()) {
    m_pState->name = std::move(name);
    m_pState->running = threadCount;
    // A thread the system refuses ends the construction as a ThreadStartError.
    for (int i = 0; i < threadCount; ++i) try {
        m_pState->threads.emplace_back([state = m_pState] {
            pthread_setname_np(pthread_self(), state->name.substr(0, 15).c_str());
            for (;;) {
                std::function<void()> task;
                {
                    std::unique_lock lock(state->mutex);
                    state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
                    if (state->tasks.empty()) {
                        --state->running;
                        return;
                    }
                    task = std::move(state->tasks.front());
                    state->tasks.pop_front();
                }
                try {
                    task();
                } catch (const ThreadStartError& error) {
                    ThreadStartError::handle(error);
                }
                task = nullptr;
                PendingWork::done();
            }
        });
    } catch (const std::system_error& error) {
        throw ThreadStartError(error.code(), "pool " + m_pState->name);
    }
}

ThreadPool::~ThreadPool() { shutdown(); }

void ThreadPool::shutdown() {
    std::call_once(m_pState->shutdownOnce, [this] {
        {
            std::lock_guard lock(m_pState->mutex);
            m_pState->stopping = true;
        }
        m_pState->wake.notify_all();
        for (auto& t : m_pState->threads) finishing_threads::joinOrAdopt(t);
    });
}

void ThreadPool::async(std::function<void()> task) {
    // Once the task is queued a pool thread may run it and drop the last owner of this pool: only
    // this reference then keeps the state (and its condition variable) alive; `this` is not touched.
    std::shared_ptr<State> state = m_pState;
    {
        std::unique_lock lock(state->mutex);
        if (state->running == 0) {
            lock.unlock();
            task();
            return;
        }
        PendingWork::add();
        state->tasks.push_back(std::move(task));
    }
    if (state->enqueuedProbe) state->enqueuedProbe();
    state->wake.notify_one();
}

int ThreadPool::threadCount() const { return static_cast<int>(m_pState->threads.size()); }

void ThreadPool::setEnqueuedProbeForTesting(std::function<void()> probe) { m_pState->enqueuedProbe = std::move(probe); }
