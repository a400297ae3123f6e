// A document format: writes one whole value through a write command, synchronously, keeping nothing.
// Called on the log's queue.
#pragma once

#include <functional>
#include <memory>
#include <string>

class JValue;

// Appends one piece of text to a destination.
using WriteCommand = std::function<void(const std::string&)>;

class JWriter {
public:
    virtual ~JWriter() = default;
    virtual void writeValue(const std::shared_ptr<JValue>& value, const WriteCommand& command) = 0;
};
