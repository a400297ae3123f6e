#include "scan/ObjectWorker.h"

ObjectWorker::ObjectWorker(const std::string& name, ObjectTaskFactory& factory,
                           std::shared_ptr<std::atomic<int>> idleWorkers, CreateBlock createBlock,
                           CompletionBlock completion)
    : _createBlock(std::move(createBlock)),
      _completion(std::move(completion)),
      _worker(factory.createWorker()),
      _workQueue(std::make_unique<SerialQueue>(name)) {
    if (_worker) _worker->setIdleWorkers(std::move(idleWorkers));
    _workerCreationTaskBlock = [this](std::vector<std::unique_ptr<ObjectTask>> bunch) {
        if (!bunch.empty()) _createBlock(this, std::move(bunch));
    };
    _workerCompletion = [this] { complete(); };
}

ObjectWorker::~ObjectWorker() { _workQueue.reset(); }

void ObjectWorker::processTask(std::unique_ptr<ObjectTask> task) {
    // std::function needs a copyable closure: the task travels in a shared holder.
    auto holder = std::make_shared<std::unique_ptr<ObjectTask>>(std::move(task));
    _workQueue->async([this, holder] {
        m_pCurrentTask = std::move(*holder);
        if (_worker && m_pCurrentTask)
            _worker->processTask(*m_pCurrentTask, _workerCreationTaskBlock, _workerCompletion);
        else
            complete();
    });
}

void ObjectWorker::cancel() {
    if (_worker) _worker->cancel();
}

bool ObjectWorker::isCanceled() const { return _worker && _worker->isCanceled(); }

void ObjectWorker::complete() {
    m_pCurrentTask.reset();
    _completion(this);
}
