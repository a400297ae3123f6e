#include "removal/RemovalRunLock.h"

#include "history/VXLog.h"
#include "platform/FileContents.h"

RemovalRunLock RemovalRunLock::tryAcquire() {
    RemovalRunLock result;
    const auto folder = VXLog::shared().logFolderPath();
    if (!folder) {
        result.failure = Failure::NoHistoryFolder;
        return result;
    }
    if (Status s = file_contents::createFolders(*folder); !s) {
        result.failure = Failure::HistoryFolderUnusable;
        result.status = s;
        return result;
    }
    Status s = RunLock::tryAcquire(*folder + "/removal.lock", result.lock, result.holderPid);
    if (s) return result;
    result.lock.reset();
    result.failure = s.code() == StatusCode::Busy ? Failure::Busy : Failure::CannotLock;
    result.status = s;
    return result;
}
