// Opens a selection batch for the scope: the selection-changed notification is posted once, when the
// outermost batch ends. Use on the thread that changes the selection.
#pragma once

#include "results/DuplicatesGroup.h"

class SelectionBatch {
public:
    SelectionBatch() { DuplicatesGroup::BeginSelectionGroup(); }
    ~SelectionBatch() { DuplicatesGroup::EndSelectionGroup(); }
    SelectionBatch(const SelectionBatch&) = delete;
    SelectionBatch& operator=(const SelectionBatch&) = delete;
};
