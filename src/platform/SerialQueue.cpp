#include "platform/SerialQueue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/FinishingThreads.h"
#include "platform/PendingWork.h"
#include "platform/SyncCall.h"
#include "platform/ThreadStartError.h"

struct SerialQueue::State {
    std::string label;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;  // guarded by mutex
    bool stopping = false;                    // guarded by mutex
    bool ended = false;                       // guarded by mutex: the loop has returned
    std::thread thread;                       // joined or detached once, by shutdown
    std::thread::id threadId;
    std::once_flag shutdownOnce;
    std::function<void()> enqueuedProbe;  // set before the queue is shared
};

namespace {
void runLoop(std::shared_ptr<SerialQueue::State> state) {
    std::string name = state->label.substr(0, 15);
    pthread_setname_np(pthread_self(), name.c_str());
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
            if (state->tasks.empty()) {  // stopping and drained
                state->ended = true;
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
}
}  // namespace

SerialQueue::SerialQueue(std::string label) : m_pState(std::make_shared<State>()) {
    m_pState->label = std::move(label);
    try {
        m_pState->thread = std::thread(runLoop, m_pState);
    } catch (const std::system_error& error) {
        throw ThreadStartError(error.code(), "queue " + m_pState->label);
    }
    m_pState->threadId = m_pState->thread.get_id();
}

SerialQueue::~SerialQueue() { shutdown(); }

void SerialQueue::shutdown() {
    std::call_once(m_pState->shutdownOnce, [this] {
        {
            std::lock_guard lock(m_pState->mutex);
            m_pState->stopping = true;
        }
        m_pState->wake.notify_all();
        finishing_threads::joinOrAdopt(m_pState->thread);
    });
}

std::shared_ptr<SerialQueue> SerialQueue::create(std::string label) {
    return std::make_shared<SerialQueue>(std::move(label));
}

void SerialQueue::async(std::function<void()> task) {
    // Once the task is queued, the queue's thread may run it at once, and the task may drop the last
    // owner of this queue: from then on only this reference keeps the state (and its condition
    // variable) alive, and `this` must not be touched.
    std::shared_ptr<State> state = m_pState;
    {
        std::unique_lock lock(state->mutex);
        if (state->ended) {
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

void SerialQueue::sync(const std::function<void()>& task) { syncCall(*this, task); }

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == m_pState->threadId; }

const std::string& SerialQueue::label() const { return m_pState->label; }

void SerialQueue::setEnqueuedProbeForTesting(std::function<void()> probe) { m_pState->enqueuedProbe = std::move(probe); }
