// Makes the empty logs LogManager begins. Any thread.
#pragma once

#include <memory>

class WritableLog;

class WritableLogFactory {
public:
    virtual ~WritableLogFactory() = default;
    virtual std::shared_ptr<WritableLog> createEmptyLog() = 0;
};
