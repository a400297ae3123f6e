#include "platform/MonotonicClock.h"

#include <mutex>

namespace {
class SteadyClock : public MonotonicClock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
};

std::mutex g_standardMutex;
std::shared_ptr<MonotonicClock> g_standard;  // guarded by g_standardMutex
}  // namespace

MonotonicClock& MonotonicClock::standard() {
    std::lock_guard lock(g_standardMutex);
    if (!g_standard) g_standard = std::make_shared<SteadyClock>();
    return *g_standard;
}

void MonotonicClock::setStandard(std::shared_ptr<MonotonicClock> clock) {
    std::lock_guard lock(g_standardMutex);
    g_standard = std::move(clock);
}
