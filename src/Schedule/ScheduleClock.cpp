#include "Schedule/ScheduleClock.h"

#include <cmath>

namespace vesperine {

ScheduleClock ScheduleClock::make(double scale, Instant realNow, std::optional<Instant> start) {
    return ScheduleClock{scale, realNow, start.value_or(realNow)};
}

Instant ScheduleClock::now(Instant realNow) const {
    return virtualOrigin + (realNow - realOrigin) * scale;
}

double ScheduleClock::realDelay(Instant date, Instant realNow) const {
    return realSpan(date - now(realNow));
}

double ScheduleClock::realSpan(double scheduleSeconds) const {
    const double real = scheduleSeconds / scale;
    return real > 0.0 ? real : 0.0;  // NaN too
}

}  // namespace vesperine
