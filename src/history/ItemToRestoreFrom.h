// A file a removed copy can be put back from: a kept copy, a file the user pointed out, or a removed
// copy's own file (in the Trash, or restored earlier). Answers may read the disk; any thread.
#pragma once

#include <string>

#include "platform/Status.h"

class ItemToRestoreFrom {
public:
    virtual ~ItemToRestoreFrom() = default;
    virtual std::string itemToRestoreSourcePath() const = 0;
    // True: the source is moved to the destination; false: it is copied and stays.
    virtual bool itemToRestoreHasToBeRemovedAfterRestore() const = 0;
    virtual bool itemToRestoreCanBeUsedToRestoreFrom() const = 0;
    // Called after the source was moved away; tidies what belonged to it (the Trash's record).
    virtual Status itemToRestoreWasMoved() const { return Status::ok(); }
};
