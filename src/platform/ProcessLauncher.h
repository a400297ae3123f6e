// Starts a helper program and waits for its end: the seam through which the removal helpers run their
// script, as the user or through pkexec. ProcessLauncher::standard() may be replaced in tests (a fake
// pkexec). Any thread; run() blocks the calling thread, so it is called on a worker queue.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Status.h"

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    static ProcessLauncher& standard();
    // Replaces the process-wide instance (tests); nullptr restores the standard one.
    static void setStandard(std::shared_ptr<ProcessLauncher> launcher);

    // Runs argv[0] (looked up in PATH when it holds no slash) with the rest as its arguments, in a session
    // of its own (setsid), its input from /dev/null, and waits for it. `exitStatus` is its exit status, or
    // 128 + the signal that ended it. A program that cannot be started answers the errno of the attempt.
    virtual Status run(const std::vector<std::string>& argv, int& exitStatus) = 0;
};

class PosixProcessLauncher : public ProcessLauncher {
public:
    Status run(const std::vector<std::string>& argv, int& exitStatus) override;
};
