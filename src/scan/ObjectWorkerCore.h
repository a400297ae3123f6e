// The task processor run by one pool worker, on that worker's serial queue only. cancel() may be
// called from any thread; the core checks isCanceled() between units of work and stops early.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "scan/ObjectTask.h"

class ObjectWorkerCore {
public:
    using SubtaskCreator = std::function<void(std::unique_ptr<ObjectTask>)>;
    using Completion = std::function<void()>;

    ObjectWorkerCore() = default;
    virtual ~ObjectWorkerCore() = default;
    ObjectWorkerCore(const ObjectWorkerCore&) = delete;
    ObjectWorkerCore& operator=(const ObjectWorkerCore&) = delete;

    // Processes the task, hands discovered sub-tasks to subtaskCreator, then calls completion once.
    virtual void processTask(ObjectTask& task, const SubtaskCreator& subtaskCreator, const Completion& completion) = 0;

    void cancel() { _isCanceled.store(true, std::memory_order_relaxed); }
    bool isCanceled() const { return _isCanceled.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> _isCanceled{false};  // set by the pool's queue, read by the worker's queue
};
