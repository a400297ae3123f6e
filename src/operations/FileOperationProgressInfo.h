// What became of one finished sub-operation, handed to whoever follows a complex operation.
// Plain value; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "operations/FileOperation.h"

struct FileOperationProgressInfo {
    std::size_t index = 0;  // the operation's place in the complex operation
    FileOperationAction action = FileOperationAction::Copy;
    FileOperationResult result = FileOperationResult::Unknown;
    std::string source;
    std::string destination;
    Status status;              // why it failed
    bool performed = false;     // false: refused before it was tried, or left out by a stop
    int label = 0;              // the label asked for (0: none)
    Status labelStatus;         // whether that label was applied
    std::uint64_t bytes = 0;    // logical bytes of the source

    // The operation's own fields as they stand; `performed` and `bytes` are the caller's to set.
    static FileOperationProgressInfo of(const FileOperation& op, std::size_t index) {
        FileOperationProgressInfo info;
        info.index = index;
        info.action = op.action();
        info.result = op.result();
        info.source = op.source();
        info.destination = op.destination();
        info.status = op.status();
        info.label = op.label();
        info.labelStatus = op.labelStatus();
        return info;
    }
};
