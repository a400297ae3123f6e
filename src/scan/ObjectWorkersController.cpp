#include "scan/ObjectWorkersController.h"

std::shared_ptr<ObjectWorkersController> ObjectWorkersController::create(
    const std::string& name, std::shared_ptr<ObjectTaskFactory> factory, int countOfWorkers,
    std::vector<std::unique_ptr<ObjectTask>> tasks, Completion completion) {
    std::shared_ptr<ObjectWorkersController> controller(new ObjectWorkersController());
    controller->m_pFactory = std::move(factory);
    controller->_workQueue = SerialQueue::create(name);
    // A worker may hold the last outside reference (through a listener) and drop it on its own
    // thread; destroying the pool there would free the worker running that very task.
    controller->m_pKeepAlive = controller;
    controller->start(name, countOfWorkers, std::move(tasks), std::move(completion));
    return controller;
}

ObjectWorkersController::~ObjectWorkersController() {
    // Workers first: their queues drain and join before the pool's queue goes.
    _workers.clear();
}

void ObjectWorkersController::start(const std::string& name, int countOfWorkers,
                                    std::vector<std::unique_ptr<ObjectTask>> tasks, Completion completion) {
    auto holder = std::make_shared<std::vector<std::unique_ptr<ObjectTask>>>(std::move(tasks));
    std::weak_ptr<ObjectWorkersController> weak = weak_from_this();
    _workQueue->async([this, weak, name, countOfWorkers, holder, completion = std::move(completion)]() mutable {
        auto self = weak.lock();
        if (!self) return;
        _tasks = std::move(*holder);
        for (int i = 0; i < countOfWorkers; ++i) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "::w%d", i);
            auto worker = std::make_unique<ObjectWorker>(
                name + suffix, *m_pFactory, m_pIdleWorkers,
                [weak](ObjectWorker*, std::vector<std::unique_ptr<ObjectTask>> bunch) {
                    auto controller = weak.lock();
                    if (!controller) return;
                    auto moved = std::make_shared<std::vector<std::unique_ptr<ObjectTask>>>(std::move(bunch));
                    controller->_workQueue->async([weak, moved] {
                        if (auto c = weak.lock()) c->onWorkerCreateSubTasks(std::move(*moved));
                    });
                },
                [weak](ObjectWorker* w) {
                    auto controller = weak.lock();
                    if (!controller) return;
                    controller->_workQueue->async([weak, w] {
                        if (auto c = weak.lock()) c->onWorkerDone(w);
                    });
                });
            _sleepedWorkers.insert(worker.get());
            _workers.push_back(std::move(worker));
        }
        _completion = std::move(completion);
        wakeUpSleepedWorkers();
        publishIdleWorkers();
        checkIsCompleted();
    });
}

void ObjectWorkersController::cancel() {
    std::weak_ptr<ObjectWorkersController> weak = weak_from_this();
    _workQueue->async([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->_isCanceled = true;
        self->_tasks.clear();
        for (auto& w : self->_workers) w->cancel();
        self->publishIdleWorkers();
        self->checkIsCompleted();
    });
}

std::unique_ptr<ObjectTask> ObjectWorkersController::nextTask() {
    if (_tasks.empty() || _isCanceled) return nullptr;
    auto task = std::move(_tasks.back());
    _tasks.pop_back();
    return task;
}

void ObjectWorkersController::wakeUpSleepedWorkers() {
    while (!_sleepedWorkers.empty()) {
        auto task = nextTask();
        if (!task) return;
        ObjectWorker* worker = *_sleepedWorkers.begin();
        _sleepedWorkers.erase(_sleepedWorkers.begin());
        worker->processTask(std::move(task));
    }
}

bool ObjectWorkersController::processNextTaskByWorker(ObjectWorker* worker) {
    auto task = nextTask();
    if (!task) return false;
    worker->processTask(std::move(task));
    wakeUpSleepedWorkers();
    return true;
}

void ObjectWorkersController::onWorkerCreateSubTasks(std::vector<std::unique_ptr<ObjectTask>> tasks) {
    if (_isCanceled) return;
    for (auto& t : tasks)
        if (t) _tasks.push_back(std::move(t));
    // A bunch comes when a core saw an idle worker: it is woken now, not when some task ends.
    wakeUpSleepedWorkers();
    publishIdleWorkers();
}

void ObjectWorkersController::onWorkerDone(ObjectWorker* worker) {
    if (!processNextTaskByWorker(worker)) _sleepedWorkers.insert(worker);
    publishIdleWorkers();
    checkIsCompleted();
}

void ObjectWorkersController::publishIdleWorkers() {
    // A worker sleeps only while no task waits (wakeUpSleepedWorkers hands every waiting task out).
    const bool hungry = !_isCanceled && _tasks.empty() && _completion;
    m_pIdleWorkers->store(hungry ? static_cast<int>(_sleepedWorkers.size()) : 0, std::memory_order_relaxed);
}

void ObjectWorkersController::checkIsCompleted() {
    if (!_completion) return;
    bool allIdle = _sleepedWorkers.size() == _workers.size();
    // A cancelled pool completes once its running workers have returned (see the header).
    if (!allIdle) return;
    if (!_tasks.empty() && !_isCanceled) return;
    auto completion = std::move(_completion);
    _completion = nullptr;
    // Every caller holds its own reference, so the pool outlives this call.
    auto keepAlive = std::move(m_pKeepAlive);
    completion(this);
}
