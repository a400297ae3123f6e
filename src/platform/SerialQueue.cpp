#include "platform/SerialQueue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/SyncCall.h"
#include "platform/ThreadStartError.h"

struct SerialQueue::State {
    std::string label;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;  // guarded by mutex
    bool stopping = false;                    // guarded by mutex
    std::thread thread;
    std::thread::id threadId;
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
            if (state->tasks.empty()) return;  // stopping and drained
            task = std::move(state->tasks.front());
            state->tasks.pop_front();
        }
        try {
            task();
        } catch (const ThreadStartError& error) {
            ThreadStartError::handle(error);
        }
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

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->stopping = true;
    }
    m_pState->wake.notify_all();
    if (std::this_thread::get_id() == m_pState->threadId) {
        // The last owner is a task of this queue: the loop keeps its own reference to the state.
        m_pState->thread.detach();
    } else {
        m_pState->thread.join();
    }
}

std::shared_ptr<SerialQueue> SerialQueue::create(std::string label) {
    return std::make_shared<SerialQueue>(std::move(label));
}

void SerialQueue::async(std::function<void()> task) {
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->tasks.push_back(std::move(task));
    }
    m_pState->wake.notify_one();
}

void SerialQueue::sync(const std::function<void()>& task) { syncCall(*this, task); }

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == m_pState->threadId; }

const std::string& SerialQueue::label() const { return m_pState->label; }
