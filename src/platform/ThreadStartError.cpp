#include "platform/ThreadStartError.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<ThreadStartError::Handler> g_handler{nullptr};
}  // namespace

void ThreadStartError::setHandler(Handler handler) { g_handler.store(handler); }

void ThreadStartError::handle(const ThreadStartError& error) {
    if (Handler handler = g_handler.load()) handler(error);
    std::fprintf(stderr, "cannot start worker threads: %s\n", error.code().message().c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}
