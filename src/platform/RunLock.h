// One run at a time per user: an advisory lock (flock) on a lock file, held while the object lives
// and released by the kernel if the process dies. The holder writes its pid into the file, so that
// a second run can say who holds it. Any thread; the lock belongs to this process's open file.
#pragma once

#include <memory>
#include <string>

#include "platform/Status.h"

class RunLock {
public:
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock at `path` (the file is created when missing, its folder must exist) without
    // waiting. Another process holding it: Busy, and `holderPid` is the pid it wrote (0 if unknown).
    static Status tryAcquire(const std::string& path, std::unique_ptr<RunLock>& out, long& holderPid);

private:
    explicit RunLock(int fd) : m_nFd(fd) {}
    int m_nFd = -1;
};
