// One worker of the pool: runs its core on its own serial queue, one task at a time, and hands the
// bunches of sub-tasks its core gives back to the pool as they come. processTask() and cancel() may be
// called from the pool's queue; everything else runs on the worker's queue.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialQueue.h"
#include "scan/ObjectTaskFactory.h"

class ObjectWorker {
public:
    using CreateBlock = std::function<void(ObjectWorker*, std::vector<std::unique_ptr<ObjectTask>>)>;
    using CompletionBlock = std::function<void(ObjectWorker*)>;

    // `idleWorkers` is the pool's count of workers waiting for work (ObjectWorkerCore::claimIdleWorker).
    ObjectWorker(const std::string& name, ObjectTaskFactory& factory, std::shared_ptr<std::atomic<int>> idleWorkers,
                 CreateBlock createBlock, CompletionBlock completion);
    ~ObjectWorker();
    ObjectWorker(const ObjectWorker&) = delete;
    ObjectWorker& operator=(const ObjectWorker&) = delete;

    void processTask(std::unique_ptr<ObjectTask> task);
    void cancel();
    bool isCanceled() const;

private:
    void complete();

    CreateBlock _createBlock;
    CompletionBlock _completion;
    std::unique_ptr<ObjectWorkerCore> _worker;
    std::unique_ptr<ObjectTask> m_pCurrentTask;  // touched on _workQueue only
    ObjectWorkerCore::SubtaskCreator _workerCreationTaskBlock;
    ObjectWorkerCore::Completion _workerCompletion;
    std::unique_ptr<SerialQueue> _workQueue;  // last member: destroyed (and drained) first
};
