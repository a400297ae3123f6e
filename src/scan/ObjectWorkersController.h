// A pool of workers sharing one stack of tasks; every change of the pool's state runs on its own
// serial queue, which also keeps the count of idle workers that busy cores read to decide whether to
// hand work back (ObjectWorkerCore::claimIdleWorker). The completion is called exactly once, on that queue, when no task is left and every
// worker is idle. cancel() (any thread) drops the remaining tasks; the completion then waits until
// the running workers have returned, so no cancelled worker touches anything after it. The pool keeps
// itself alive until its completion, whoever drops the last outside reference and on whatever thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/SerialQueue.h"
#include "scan/ObjectTaskFactory.h"
#include "scan/ObjectWorker.h"

class ObjectWorkersController : public std::enable_shared_from_this<ObjectWorkersController> {
public:
    using Completion = std::function<void(ObjectWorkersController*)>;

    static std::shared_ptr<ObjectWorkersController> create(const std::string& name,
                                                           std::shared_ptr<ObjectTaskFactory> factory,
                                                           int countOfWorkers,
                                                           std::vector<std::unique_ptr<ObjectTask>> tasks,
                                                           Completion completion);
    ~ObjectWorkersController();
    ObjectWorkersController(const ObjectWorkersController&) = delete;
    ObjectWorkersController& operator=(const ObjectWorkersController&) = delete;

    void cancel();

private:
    ObjectWorkersController() = default;
    void start(const std::string& name, int countOfWorkers, std::vector<std::unique_ptr<ObjectTask>> tasks,
               Completion completion);
    std::unique_ptr<ObjectTask> nextTask();
    void wakeUpSleepedWorkers();
    bool processNextTaskByWorker(ObjectWorker* worker);
    void onWorkerCreateSubTasks(std::vector<std::unique_ptr<ObjectTask>> tasks);
    void onWorkerDone(ObjectWorker* worker);
    void checkIsCompleted();
    void publishIdleWorkers();

    // Everything below is touched on _workQueue only.
    bool _isCanceled = false;
    std::shared_ptr<ObjectTaskFactory> m_pFactory;
    std::vector<std::unique_ptr<ObjectTask>> _tasks;  // a stack: the last task is taken first
    std::vector<std::unique_ptr<ObjectWorker>> _workers;
    std::set<ObjectWorker*> _sleepedWorkers;
    // The idle workers as last counted here; busy cores take one off as they claim it.
    std::shared_ptr<std::atomic<int>> m_pIdleWorkers = std::make_shared<std::atomic<int>>(0);
    Completion _completion;
    std::shared_ptr<ObjectWorkersController> m_pKeepAlive;  // released once the completion was called
    std::shared_ptr<SerialQueue> _workQueue;
};
