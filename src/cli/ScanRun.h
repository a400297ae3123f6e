// One scan session run to its end on the calling thread's event loop (the main thread's), with the
// terminal's progress line while it runs; a stop signal stops it and keeps what was found. The caller
// holds the stop-signal handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ScanChoices.h"
#include "app/ScanSession.h"

class DuplicatesContainer;

struct ScanRun {
    std::shared_ptr<ScanSession> session;
    std::shared_ptr<DuplicatesContainer> container;  // null when the scan delivered nothing

    // `filesCompared`, when given, is called on the main thread once every file has been compared and
    // the folder phases start (ScanSession::FilesCompared).
    static ScanRun run(const std::vector<std::string>& folders, const ScanChoices& choices, bool showProgress,
                       ScanSession::FilesCompared filesCompared = {});
};
