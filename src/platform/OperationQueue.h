// A bounded executor: at most maxConcurrent operations run at once on the background pool; queued
// operations that have not started can be cancelled. Any thread may use it. An operation never
// outlives the shared state it runs from, so destroying the queue while operations run is safe.
#pragma once

#include <functional>
#include <memory>
#include <string>

class OperationQueue {
public:
    using Executor = std::function<void(std::function<void()>)>;
    // Operations run through `executor` (the background pool when empty).
    OperationQueue(std::string name, int maxConcurrent, Executor executor = {});
    ~OperationQueue();  // cancels what has not started
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(std::function<void()> operation);
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();
    int operationCount() const;  // queued plus running
    const std::string& name() const;

private:
    struct State;
    std::shared_ptr<State> m_pState;
};
