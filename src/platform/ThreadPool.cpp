#include "platform/ThreadPool.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ThreadStartError.h"

struct ThreadPool::State {
    std::string name;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;  // guarded by mutex
    bool stopping = false;                    // guarded by mutex
    std::vector<std::thread> threads;
};

ThreadPool::ThreadPool(std::string name, int threadCount) : m_pState(std::make_shared<State>()) {
    m_pState->name = std::move(name);
    // A thread the system refuses ends the construction as a ThreadStartError.
    for (int i = 0; i < threadCount; ++i) try {
        m_pState->threads.emplace_back([state = m_pState] {
            pthread_setname_np(pthread_self(), state->name.substr(0, 15).c_str());
            for (;;) {
                std::function<void()> task;
                {
                    std::unique_lock lock(state->mutex);
                    state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
                    if (state->tasks.empty()) return;
                    task = std::move(state->tasks.front());
                    state->tasks.pop_front();
                }
                try {
                    task();
                } catch (const ThreadStartError& error) {
                    ThreadStartError::handle(error);
                }
            }
        });
    } catch (const std::system_error& error) {
        throw ThreadStartError(error.code(), "pool " + m_pState->name);
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->stopping = true;
    }
    m_pState->wake.notify_all();
    for (auto& t : m_pState->threads) {
        if (t.get_id() == std::this_thread::get_id())
            t.detach();
        else
            t.join();
    }
}

void ThreadPool::async(std::function<void()> task) {
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->tasks.push_back(std::move(task));
    }
    m_pState->wake.notify_one();
}

int ThreadPool::threadCount() const { return static_cast<int>(m_pState->threads.size()); }
