#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "scan/ObjectWorkersController.h"
#include "support/TestSupport.h"

namespace {
struct NumberedTask : ObjectTask {
    explicit NumberedTask(int n) : number(n) {}
    int number;
};

struct Events {
    std::mutex mutex;
    std::condition_variable changed;
    bool claimed = false;
    bool secondRan = false;
    bool secondRanWhileFirstWaited = false;

    template <typename Predicate>
    bool waitFor(Predicate predicate) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), predicate);
    }
};

// Task 0 waits until the pool counts an idle worker, claims it, hands it task 1 and then waits for
// task 1 to have run: only a pool that wakes its idle worker for the bunch lets task 0 end early.
class HandingCore : public ObjectWorkerCore {
public:
    explicit HandingCore(std::shared_ptr<Events> events) : m_events(std::move(events)) {}
    void processTask(ObjectTask& task, const SubtaskCreator& give, const Completion& done) override {
        if (static_cast<NumberedTask&>(task).number == 0) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            bool claimed = false;
            while (!(claimed = claimIdleWorker()) && std::chrono::steady_clock::now() < until) std::this_thread::yield();
            {
                std::lock_guard lock(m_events->mutex);
                m_events->claimed = claimed;
            }
            if (claimed) {
                EXPECT_FALSE(claimIdleWorker()) << "the one idle worker was claimed already";
                std::vector<std::unique_ptr<ObjectTask>> bunch;
                bunch.push_back(std::make_unique<NumberedTask>(1));
                give(std::move(bunch));
                const bool ran = m_events->waitFor([&] { return m_events->secondRan; });
                std::lock_guard lock(m_events->mutex);
                m_events->secondRanWhileFirstWaited = ran;
            }
        } else {
            std::lock_guard lock(m_events->mutex);
            m_events->secondRan = true;
            m_events->changed.notify_all();
        }
        done();
    }

private:
    std::shared_ptr<Events> m_events;
};

class HandingFactory : public ObjectTaskFactory {
public:
    explicit HandingFactory(std::shared_ptr<Events> events) : m_events(std::move(events)) {}
    std::unique_ptr<ObjectWorkerCore> createWorker() override { return std::make_unique<HandingCore>(m_events); }

private:
    std::shared_ptr<Events> m_events;
};
}  // namespace

TEST(ObjectWorkersController, ABunchHandedToAnIdleWorkerRunsWhileItsGiverIsStillBusy) {
    auto events = std::make_shared<Events>();
    std::vector<std::unique_ptr<ObjectTask>> tasks;
    tasks.push_back(std::make_unique<NumberedTask>(0));
    std::atomic<int> completions{0};
    auto pool = ObjectWorkersController::create("test", std::make_shared<HandingFactory>(events), 2, std::move(tasks),
                                                [&](ObjectWorkersController*) { ++completions; });
    ASSERT_TRUE(runMainLoopUntil([&] { return completions.load() == 1; }, std::chrono::seconds(30)));
    std::lock_guard lock(events->mutex);
    EXPECT_TRUE(events->claimed) << "with one task and two workers, one worker is idle";
    EXPECT_TRUE(events->secondRan);
    EXPECT_TRUE(events->secondRanWhileFirstWaited);
}
