// An opaque unit of work for the worker pool; the pool never looks inside.
#pragma once

class ObjectTask {
public:
    ObjectTask() = default;
    virtual ~ObjectTask() = default;
    ObjectTask(const ObjectTask&) = delete;
    ObjectTask& operator=(const ObjectTask&) = delete;
};
