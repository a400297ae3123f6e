// What saving one log came to: nothing to write, written to `path`, or failed with `status` (`path` is
// set too when the file got its name and only a later step failed). A plain value; any thread.
#pragma once

#include <string>

#include "platform/Status.h"

struct LogWriteOutcome {
    enum class State { NothingToWrite, Written, Failed };

    State state = State::NothingToWrite;
    std::string path;
    Status status;

    static LogWriteOutcome written(std::string path) { return {State::Written, std::move(path), Status::ok()}; }
    static LogWriteOutcome failed(Status status, std::string path = {}) {
        return {State::Failed, std::move(path), std::move(status)};
    }
    bool isWritten() const { return state == State::Written; }
    bool isFailed() const { return state == State::Failed; }
};
