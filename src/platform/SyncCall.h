// Runs a task on a queue and waits for it: inline when the caller already is on that queue, else
// posted with the queue's own async and awaited. Shared by every queue type that offers sync().
#pragma once

#include <functional>
#include <future>

template <class Queue>
void syncCall(Queue& queue, const std::function<void()>& task) {
    if (queue.isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    queue.async([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}
