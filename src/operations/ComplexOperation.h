// A set of file operations performed as one: a merge, a restore or a one-file merge. Plain value;
// the operations are performed by a ComplexOperationPerformer on one thread at a time.
#pragma once

#include <memory>
#include <vector>

#include "operations/FileOperation.h"

struct ComplexOperation {
    enum class Action { MergeItems, RestoreItems, OneFileMerge };

    std::vector<std::shared_ptr<FileOperation>> operations;
    Action action = Action::MergeItems;
};
