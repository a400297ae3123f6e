// One scan session run to its end on the calling thread's event loop (the main thread's), with the
// terminal's progress line while it runs; a stop signal stops it and keeps what was found. The caller
// holds the stop-signal handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ScanChoices.h"

class DuplicatesContainer;
class ScanSession;

struct ScanRun {
    std::shared_ptr<ScanSession> session;
    std::shared_ptr<DuplicatesContainer> container;  // null when the scan delivered nothing

    static ScanRun run(const std::vector<std::string>& folders, const ScanChoices& choices, bool showProgress);
};
