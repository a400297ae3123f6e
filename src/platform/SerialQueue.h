// A serial executor: tasks run one at a time, in submission order, on one thread named after the label.
// Any thread may submit. Destroying the queue lets the tasks already queued finish (drain) and never
// touches freed state, even when the last owner is a task running on the queue itself.
#pragma once

#include <functional>
#include <memory>
#include <string>

class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    static std::shared_ptr<SerialQueue> create(std::string label);

    void async(std::function<void()> task);
    // Runs the task on the queue and waits for it; runs it inline when called from the queue itself.
    void sync(const std::function<void()>& task);
    bool isCurrent() const;
    const std::string& label() const;

    // Lets the queued tasks finish and ends the thread (joined; from a task of this queue, joined by
    // dispatch::shutdown instead). Tasks submitted afterwards run at once on the submitting thread.
    void shutdown();

    // Test seam: called inside async on the submitting thread, after the task is queued and the queue's
    // lock released, before the queue's thread is woken. Set it before the queue is shared.
    void setEnqueuedProbeForTesting(std::function<void()> probe);

    struct State;  // shared with the queue's thread, which keeps it alive while it runs

private:
    std::shared_ptr<State> m_pState;
};
