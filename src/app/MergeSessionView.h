// What the merge presenter asks of its dialog: redraw the plan, the progress or the state, and ask one
// question. Implemented by the merge dialog and by fakes in tests. Main thread only.
#pragma once

#include "app/WindowControllerView.h"

class MergeSessionView {
public:
    virtual ~MergeSessionView() = default;
    // The direction, the options or the items' labels changed.
    virtual void planChanged() = 0;
    virtual void progressChanged() = 0;
    // Preview -> Perform -> ViewResult.
    virtual void stateChanged() = 0;
    virtual WindowAnswer ask(const WindowQuestion& question) = 0;
};
