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
// Never destroyed: a queue may still call the instance while the process exits.
ReplaceableInstance<MonotonicClock, SteadyClock>& instance() {
    static auto* replaceable = new ReplaceableInstance<MonotonicClock, SteadyClock>();
    return *replaceable;
}
}  // namespace

MonotonicClock& MonotonicClock::standard() { return instance().get(); }

void MonotonicClock::setStandard(std::shared_ptr<MonotonicClock> clock) { instance().replace(std::move(clock)); }
