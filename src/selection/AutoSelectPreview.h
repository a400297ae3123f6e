// The preview of what Auto Select would choose over every file group of a container, for the hints
// view. Snapshots the groups' copies on the main thread, runs the contests on a global background queue
// with a manager of its own (so a run of the command on the main thread meanwhile shares nothing with
// it), and delivers on the main queue. Nothing is selected. Call from the main thread; the main thread
// may read and select meanwhile, but must not take copies out of the results until the delivery
// (countInFlight() says whether any preview has yet to deliver).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "selection/AutoSelectPreviewListener.h"

class DuplicatesContainer;

class AutoSelectPreview {
public:
    AutoSelectPreview() = delete;

    // The container is kept alive until the delivery.
    static void calculateDuplicatesForAutoselect(std::shared_ptr<DuplicatesContainer> container,
                                                 std::weak_ptr<AutoSelectPreviewListener> listener);
    // Previews started and not yet delivered, whether or not their listener is still there: their
    // background part may still read the copies. Main thread only.
    static int countInFlight();
    // The same computation on the calling thread, over given groups' copies (tests, benchmarks).
    static std::vector<AutoSelectPreviewRecord> calculateNow(
        const std::vector<std::pair<std::shared_ptr<DuplicatesGroup>, std::vector<std::shared_ptr<DuplicateItem>>>>&
            groups);
};
