// The task processor run by one pool worker, on that worker's serial queue only. cancel() may be
// called from any thread; the core checks isCanceled() between units of work and stops early.
// A core keeps the work it discovers and hands some of it back only when another worker is idle.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "scan/ObjectTask.h"

class ObjectWorkerCore {
public:
    // Hands a bunch of sub-tasks to the pool at once (one hand-off however many).
    using SubtaskCreator = std::function<void(std::vector<std::unique_ptr<ObjectTask>>)>;
    using Completion = std::function<void()>;

    ObjectWorkerCore() = default;
    virtual ~ObjectWorkerCore() = default;
    ObjectWorkerCore(const ObjectWorkerCore&) = delete;
    ObjectWorkerCore& operator=(const ObjectWorkerCore&) = delete;

    // Processes the task, hands discovered sub-tasks to subtaskCreator, then calls completion once.
    virtual void processTask(ObjectTask& task, const SubtaskCreator& subtaskCreator, const Completion& completion) = 0;

    void cancel() { _isCanceled.store(true, std::memory_order_relaxed); }
    // Set by the pool before the first task: the count of its workers waiting for work.
    void setIdleWorkers(std::shared_ptr<std::atomic<int>> idle) { m_pIdleWorkers = std::move(idle); }
    // Whether a worker waits for work this moment; when one does, it is claimed for the caller, who then
    // hands it a bunch. The pool counts again as it hands the bunch on, so a waiting worker is offered
    // work by one core at a time, not by every core that looks.
    bool claimIdleWorker() {
        if (!m_pIdleWorkers) return false;
        int idle = m_pIdleWorkers->load(std::memory_order_relaxed);
        while (idle > 0)
            if (m_pIdleWorkers->compare_exchange_weak(idle, idle - 1, std::memory_order_relaxed)) return true;
        return false;
    }
    bool isCanceled() const { return _isCanceled.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> _isCanceled{false};  // set by the pool's queue, read by the worker's queue
    std::shared_ptr<std::atomic<int>> m_pIdleWorkers;  // written by the pool's queue, claimed by every core
};
