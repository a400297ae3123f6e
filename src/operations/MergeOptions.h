// The choices of one folder merge: its direction, which side a folder plays, what is done to the
// merged files, and the options a plan starts with (no action, both flags off, no label). Plain values.
#pragma once

#include <optional>

// With LeftToRight the left folder is the source and the right folder the destination.
enum class MergeDirection { LeftToRight, RightToLeft };
enum class MergeFolderRole { Destination, Source };
enum class MergeAction { Move, Copy };

struct MergeOperationOptions {
    std::optional<MergeAction> action;  // none: nothing is planned
    bool removeSourceFolder = false;
    bool mergeDuplicatesWithDifferentNames = false;
    int colorTag = 0;  // label number 1-7; 0 gives no label
};

// Where an item's label stands: before the merge, while it runs, after it.
enum class MergeItemPhase { Planned, Running, Done };
