// A thread the system would not start (too many processes for the user, no memory for its stack).
// The queues and pools throw it where they start their threads; a task that runs into it on a
// queue's thread hands it to the process-wide handler (any thread may call handle()), so it never
// leaves a thread function, which would end the process without a word.
#pragma once

#include <string>
#include <system_error>

class ThreadStartError : public std::system_error {
public:
    ThreadStartError(std::error_code code, const std::string& what) : std::system_error(code, what) {}

    using Handler = void (*)(const ThreadStartError&);
    // Set once by the front end before any queue runs. The handler must not return; without one,
    // the reason goes to standard error and the process ends with status 1.
    static void setHandler(Handler handler);
    [[noreturn]] static void handle(const ThreadStartError& error);
};
