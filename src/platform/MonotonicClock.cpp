#include "platform/MonotonicClock.h"

#include "platform/ReplaceableInstance.h"

#include <mutex>

namespace {
class SteadyClock : public MonotonicClock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
};

}  // namespace

namespace {
ReplaceableInstance<MonotonicClock, SteadyClock>& instance() { return ReplaceableInstance<MonotonicClock, SteadyClock>::shared(); }
}  // namespace

MonotonicClock& MonotonicClock::standard() { return instance().get(); }

void MonotonicClock::setStandard(std::shared_ptr<MonotonicClock> clock) { instance().replace(std::move(clock)); }
