#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/CpuSpreadExecutor.h"
#include "platform/Dispatch.h"
#include "platform/OperationQueue.h"
#include "platform/SerialQueue.h"
#include "support/TestSupport.h"

TEST(SerialQueue, RunsOneTaskAtATimeInSubmissionOrderPerThread) {
    auto queue = SerialQueue::create("test.serial");
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::mutex mutex;
    std::vector<std::vector<int>> seen(4);
    std::vector<std::thread> producers;
    for (int p = 0; p < 4; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < 500; ++i) {
                queue->async([&, p, i] {
                    if (running.fetch_add(1) != 0) overlapped = true;
                    {
                        std::lock_guard lock(mutex);
                        seen[static_cast<size_t>(p)].push_back(i);
                    }
                    running.fetch_sub(1);
                });
            }
        });
    }
    for (auto& t : producers) t.join();
    queue->sync([] {});
    EXPECT_FALSE(overlapped.load());
    for (const auto& s : seen) {
        ASSERT_EQ(s.size(), 500u);
        for (int i = 0; i < 500; ++i) EXPECT_EQ(s[static_cast<size_t>(i)], i);
    }
}

TEST(SerialQueue, DestroyingTheQueueDrainsQueuedTasks) {
    std::atomic<int> done{0};
    {
        SerialQueue queue("test.drain");
        for (int i = 0; i < 100; ++i) queue.async([&] { ++done; });
    }
    EXPECT_EQ(done.load(), 100);
}

TEST(MainQueue, WorkPostedFromAnyThreadRunsOnTheMainThreadInOrder) {
    std::vector<int> order;
    std::atomic<bool> offMain{false};
    QThread* mainThread = QCoreApplication::instance()->thread();
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i)
            dispatch::main().async([&, i] {
                if (QThread::currentThread() != mainThread) offMain = true;
                order.push_back(i);
            });
    });
    poster.join();
    ASSERT_TRUE(runMainLoopUntil([&] { return order.size() == 50; }));
    EXPECT_FALSE(offMain.load());
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_TRUE(dispatch::isMainThread());
    bool onMain = true;
    std::thread([&] { onMain = dispatch::isMainThread(); }).join();
    EXPECT_FALSE(onMain);
}

TEST(MainQueue, AsyncAfterWaitsForTheDelay) {
    auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point ranAt;
    bool ran = false;
    dispatch::main().asyncAfter(std::chrono::milliseconds(80), [&] {
        ran = true;
        ranAt = std::chrono::steady_clock::now();
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return ran; }));
    EXPECT_GE(ranAt - start, std::chrono::milliseconds(75));
}

TEST(OperationQueue, NeverRunsMoreThanTheLimitAndCancelDropsQueuedOperations) {
    OperationQueue queue("test.ops", 2);
    std::atomic<int> running{0}, peak{0}, started{0};
    std::atomic<bool> release{false};
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&] {
            int now = ++running;
            int p = peak.load();
            while (now > p && !peak.compare_exchange_weak(p, now)) {
            }
            ++started;
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            --running;
        });
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return started.load() == 2; }));
    queue.cancelAllOperations();
    release = true;
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(peak.load(), 2);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(CpuSpreadExecutor, ConsecutiveTasksRunAtTheSameTime) {
    auto& executor = CpuSpreadExecutor::shared();
    EXPECT_GE(executor.threadCount(), 4);
    for (int round = 0; round < 5; ++round) {
        std::atomic<int> started{0};
        std::atomic<int> sawBoth{0};
        auto task = [&] {
            ++started;
            // Each task waits for the other: on one serial thread the pair could never meet.
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (started.load() < 2 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
            if (started.load() == 2) ++sawBoth;
        };
        executor.async(task);
        executor.async(task);
        ASSERT_TRUE(runMainLoopUntil([&] { return sawBoth.load() == 2; }, std::chrono::seconds(10)));
    }
}
