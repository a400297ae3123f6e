// Makes the worker cores of a pool, one per worker; called on the pool's queue.
#pragma once

#include <memory>

#include "scan/ObjectWorkerCore.h"

class ObjectTaskFactory {
public:
    ObjectTaskFactory() = default;
    virtual ~ObjectTaskFactory() = default;
    ObjectTaskFactory(const ObjectTaskFactory&) = delete;
    ObjectTaskFactory& operator=(const ObjectTaskFactory&) = delete;

    virtual std::unique_ptr<ObjectWorkerCore> createWorker() { return nullptr; }
};
