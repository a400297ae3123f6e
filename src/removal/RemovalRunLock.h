// One removal run at a time per user, for the command line and the window alike: the run lock is
// `removal.lock` in the removal history folder (created when missing). Any thread; the lock is held
// while the answered RunLock lives.
#pragma once

#include <memory>

#include "platform/RunLock.h"
#include "platform/Status.h"

struct RemovalRunLock {
    enum class Failure { None, NoHistoryFolder, HistoryFolderUnusable, Busy, CannotLock };

    std::unique_ptr<RunLock> lock;  // set exactly when failure is None
    Failure failure = Failure::None;
    Status status;        // why, for HistoryFolderUnusable and CannotLock
    long holderPid = 0;   // for Busy: the pid the holder wrote, 0 when unknown

    // Takes the lock without waiting.
    static RemovalRunLock tryAcquire();
};
