// The removal's own errors that the file system does not make itself. Pure functions; any thread.
#pragma once

#include <string>

#include "platform/Status.h"

class QNError {
public:
    QNError() = delete;
    // A folder copy is not even tried because its parent folder is locked (immutable or append-only).
    static Status couldNotRemoveBecauseParentIsLockedForItemAtPath(const std::string& path);
};
