// A destination for a written document: hands the completion a write command (at most once) and
// answers where the document went or why it did not; the destination is complete when the call
// returns. Called on the log's queue.
#pragma once

#include <functional>
#include <memory>

#include "history/JWriter.h"
#include "history/LogWriteOutcome.h"

class Log;

class WriteProvider {
public:
    virtual ~WriteProvider() = default;
    virtual LogWriteOutcome provideWriteCommandForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                         const std::function<void(const WriteCommand&)>& completion) = 0;
};
