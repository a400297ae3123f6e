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

private:
    struct State;
    std::shared_ptr<State> m_pState;
};
