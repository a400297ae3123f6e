// Lifetimes across threads: a queue freed by its own task while a submitter is still inside async,
// main-queue tasks destroyed on the main thread, and the end of every worker thread at shutdown.
// The first two cases are made exact through the queues' enqueue probe; run them under the address
// and thread sanitizers (make test-asan, make test-tsan), which see the faults they guard against.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>

#include <sys/syscall.h>
#include <unistd.h>

#include "platform/CpuSpreadExecutor.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadPool.h"
#include "support/TestSupport.h"

namespace {
// Fulfils the promise when the thread it belongs to ends: thread-local destructors run after the
// thread's function returned and released everything it held.
struct ThreadEndSignal {
    std::promise<void>* ended = nullptr;
    ~ThreadEndSignal() {
        if (ended) ended->set_value();
    }
};
thread_local ThreadEndSignal t_threadEnd;

// Submits `lastOwnerTask` through `submit` at the worst moment: the queue's thread is already
// awake, runs the task (which drops the last owner), drains and ends, all between the submitter
// releasing the queue's lock and waking the queue's thread.
template <class Queue>
void submitWhileTheQueueFreesItself(Queue& queue, std::function<void()> lastOwnerTask,
                                    std::promise<void>& threadEnded) {
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::future<void> ended = threadEnded.get_future();
    int submissions = 0;
    queue.setEnqueuedProbeForTesting([&] {
        if (++submissions != 2) return;
        gate.set_value();  // the first task returns, the queue's thread takes the second one
        ended.wait();
    });
    queue.async([opened] { opened.wait(); });
    queue.async(std::move(lastOwnerTask));
}

std::vector<std::string> threadNamesOfThisProcess() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.push_back(name);
    }
    return names;
}
}  // namespace

TEST(SerialQueue, ALastOwnerInsideItsOwnTaskIsSafe) {
    std::promise<void> threadEnded;
    bool ran = false;
    auto queue = SerialQueue::create("test.self");
    SerialQueue& raw = *queue;
    submitWhileTheQueueFreesItself(
        raw,
        [q = std::move(queue), &ran, &threadEnded]() mutable {
            t_threadEnd.ended = &threadEnded;
            q.reset();  // the queue's destructor runs on its own thread
            ran = true;
        },
        threadEnded);
    EXPECT_TRUE(ran);
}

TEST(ThreadPool, ALastOwnerInsideItsOwnTaskIsSafe) {
    std::promise<void> threadEnded;
    bool ran = false;
    auto pool = std::make_shared<ThreadPool>("test.self", 1);
    ThreadPool& raw = *pool;
    submitWhileTheQueueFreesItself(
        raw,
        [p = std::move(pool), &ran, &threadEnded]() mutable {
            t_threadEnd.ended = &threadEnded;
            p.reset();
            ran = true;
        },
        threadEnded);
    EXPECT_TRUE(ran);
}

TEST(MainQueue, WhatATaskCapturedIsDestroyedOnTheMainThread) {
    // Qt's queued call is held by the posting thread until the post returns; the main thread may
    // run the call and let go of it first. Many posts while the main thread is busy delivering
    // them make that order happen; each captured object must still die on the main thread.
    QThread* mainThread = QCoreApplication::instance()->thread();
    constexpr int kPosts = 20000;
    std::atomic<int> destroyed{0}, destroyedElsewhere{0}, ran{0};
    struct Captured {
        QThread* mainThread;
        std::atomic<int>* destroyed;
        std::atomic<int>* destroyedElsewhere;
        ~Captured() {
            if (QThread::currentThread() != mainThread) ++*destroyedElsewhere;
            ++*destroyed;
        }
    };
    std::thread poster([&] {
        for (int i = 0; i < kPosts; ++i) {
            auto captured = std::make_shared<Captured>(mainThread, &destroyed, &destroyedElsewhere);
            dispatch::main().async([captured = std::move(captured), &ran] { ++ran; });
        }
    });
    // Delivers each post as soon as it is queued, so that the main thread often finishes with a call
    // while its poster is still inside the post.
    while (ran.load() < kPosts) QCoreApplication::sendPostedEvents();
    poster.join();
    ASSERT_TRUE(runMainLoopUntil([&] { return destroyed.load() == kPosts; }));
    EXPECT_EQ(ran.load(), kPosts);
    EXPECT_EQ(destroyedElsewhere.load(), 0);
}

namespace {
// Stands for a static table that digests read, such as the extension table of the file separator.
const std::unordered_set<std::string>& staticTable() {
    static const std::unordered_set<std::string> table{"txt", "csv", "json"};
    return table;
}

// A thread that takes its time to end once its function has returned (its thread-local state).
struct SlowThreadEnd {
    bool armed = false;
    ~SlowThreadEnd() {
        if (armed) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
};
thread_local SlowThreadEnd t_slowEnd;

// Runs in a child process: work still running on the digest executor when the program decides to
// exit queues more work on a resident queue and the background pool; shutdown must wait for all of
// it and end every worker thread before the exit-time destructors free the table they read. A queue
// freed by its own task cannot join its thread: shutdown joins it too.
[[noreturn]] void exitAfterShutdownWithWorkInFlight() {
    std::atomic<int> steps{0};
    {
        auto adopted = SerialQueue::create("test.adopted");
        SerialQueue& raw = *adopted;
        raw.async([q = std::move(adopted)]() mutable {
            t_slowEnd.armed = true;
            q.reset();
        });
    }
    auto resident = dispatch::residentQueue("test.resident");
    for (int i = 0; i < CpuSpreadExecutor::shared().threadCount(); ++i) {
        CpuSpreadExecutor::shared().async([&steps, resident] {
            std::size_t reads = 0;
            // A digest that is still running when main() returns.
            while (!dispatch::isShuttingDown()) reads += staticTable().count("txt");
            for (int k = 0; k < 1000; ++k) reads += staticTable().count("csv");
            resident->async([&steps, reads] {
                dispatch::background().async([&steps, reads] {
                    CpuSpreadExecutor::shared().async([&steps, reads] {
                        if (reads > 0 && staticTable().count("json")) ++steps;
                    });
                });
            });
        });
    }
    dispatch::shutdown();
    bool complete = steps.load() == CpuSpreadExecutor::shared().threadCount();
    bool workersGone = true;
    for (const std::string& name : threadNamesOfThisProcess())
        if (name.rfind("digest::w", 0) == 0 || name == "test.resident" || name == "background" ||
            name == "test.adopted")
            workersGone = false;
    pid_t ranOn = 0;
    CpuSpreadExecutor::shared().async([&] { ranOn = static_cast<pid_t>(syscall(SYS_gettid)); });
    bool inlineAfterwards = ranOn == static_cast<pid_t>(syscall(SYS_gettid));
    std::error_code ignored;
    std::filesystem::remove_all(testHome(), ignored);  // this child skips the cleanup at the end of main()
    std::fprintf(stderr, "complete=%d workersGone=%d inlineAfterwards=%d\n", complete, workersGone, inlineAfterwards);
    std::exit(complete && workersGone && inlineAfterwards ? 3 : 1);  // 3: the status this "command" chose
}
}  // namespace

TEST(DispatchShutdownDeathTest, EndsEveryWorkerAfterTheWorkQueuedByWorkAndKeepsTheExitStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitAfterShutdownWithWorkInFlight(), ::testing::ExitedWithCode(3),
                "complete=1 workersGone=1 inlineAfterwards=1");
}
