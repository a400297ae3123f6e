// The main queue: work posted from any thread runs on the main thread inside Qt's event loop,
// in posting order, and is destroyed there too (with what it captured). A QCoreApplication (or
// QApplication) must exist while work is posted.
#pragma once

#include <chrono>
#include <functional>

class MainQueue {
public:
    MainQueue() = default;
    MainQueue(const MainQueue&) = delete;
    MainQueue& operator=(const MainQueue&) = delete;

    void async(std::function<void()> task);
    void asyncAfter(std::chrono::milliseconds delay, std::function<void()> task);
    // Runs inline on the main thread, else posts and waits; never call it while the main thread waits on you.
    void sync(const std::function<void()>& task);
    bool isCurrent() const;
};
