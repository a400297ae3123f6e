// What the selection controller asks of the results window: answer a question with one of its buttons,
// show why a copy cannot be ticked, redraw after a selection batch or after groups left the results,
// show the Auto Select preview. Implemented by the window and by fakes in tests. Main thread only.
#pragma once

#include <string>

#include "selection/SelectionQuestion.h"

// The button chosen (an index into the question's buttons; -1 when the box was closed otherwise) and
// whether its "do not show" box was ticked.
struct SelectionAnswer {
    int button = -1;
    bool suppress = false;
};

class SelectionControllerView {
public:
    virtual ~SelectionControllerView() = default;
    virtual SelectionAnswer askSelection(const SelectionQuestion& question) = 0;
    // A check box refused: `tip` says why; the view also offers the "allow removing all copies" switch.
    virtual void showRefusalTip(const std::string& tip) = 0;
    // Once per selection batch: check boxes and totals are read again.
    virtual void selectionChanged() = 0;
    // Groups or copies left the results: the lists are built again.
    virtual void resultsChanged() = 0;
    // The Auto Select preview started or came in.
    virtual void previewChanged() = 0;
};
