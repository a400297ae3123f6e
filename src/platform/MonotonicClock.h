// The monotonic time that the scan's time limits are measured in (the automatic minimal size's stop).
// standard() may be read from any thread; tests replace it with setStandard to move time at an exact
// moment instead of waiting for it.
#pragma once

#include <chrono>
#include <memory>

class MonotonicClock {
public:
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~MonotonicClock() = default;
    static MonotonicClock& standard();
    // nullptr restores the system's steady clock.
    static void setStandard(std::shared_ptr<MonotonicClock> clock);

    virtual time_point now() const = 0;
};
