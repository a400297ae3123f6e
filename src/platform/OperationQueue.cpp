#include "platform/OperationQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"

struct OperationQueue::State : std::enable_shared_from_this<OperationQueue::State> {
    std::string name;
    int maxConcurrent = 1;
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::function<void()>> pending;  // guarded by mutex
    int running = 0;                            // guarded by mutex
    OperationQueue::Executor executor;          // set at construction

    // Takes the next operation while the limit allows; called with the mutex held.
    void pumpLocked() {
        while (running < maxConcurrent && !pending.empty()) {
            ++running;
            auto op = std::move(pending.front());
            pending.pop_front();
            executor([self = shared_from_this(), op = std::move(op)]() mutable {
                op();
                op = nullptr;
                std::lock_guard lock(self->mutex);
                --self->running;
                self->pumpLocked();
                if (self->running == 0 && self->pending.empty()) self->idle.notify_all();
            });
        }
    }
};

OperationQueue::OperationQueue(std::string name, int maxConcurrent, Executor executor)
    : m_pState(std::make_shared<State>()) {
    m_pState->executor = executor ? std::move(executor)
                                  : Executor([](std::function<void()> task) { dispatch::background().async(std::move(task)); });
    m_pState->name = std::move(name);
    m_pState->maxConcurrent = maxConcurrent < 1 ? 1 : maxConcurrent;
}

OperationQueue::~OperationQueue() { cancelAllOperations(); }

void OperationQueue::addOperation(std::function<void()> operation) {
    std::lock_guard lock(m_pState->mutex);
    m_pState->pending.push_back(std::move(operation));
    m_pState->pumpLocked();
}

void OperationQueue::cancelAllOperations() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_pState->mutex);
        dropped.swap(m_pState->pending);
        if (m_pState->running == 0) m_pState->idle.notify_all();
    }
    // The dropped operations are destroyed here, outside the lock: their captures may own anything.
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(m_pState->mutex);
    m_pState->idle.wait(lock, [&] { return m_pState->running == 0 && m_pState->pending.empty(); });
}

int OperationQueue::operationCount() const {
    std::lock_guard lock(m_pState->mutex);
    return m_pState->running + static_cast<int>(m_pState->pending.size());
}

const std::string& OperationQueue::name() const { return m_pState->name; }
