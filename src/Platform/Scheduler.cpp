#include "Platform/Scheduler.h"

#include <algorithm>
#include <limits>

namespace vesperine {

std::optional<Duration> durationFromSeconds(double seconds) {
    if (std::isnan(seconds)) return std::nullopt;
    if (seconds <= 0) return Duration::zero();
    constexpr double maxSeconds =
        static_cast<double>(std::numeric_limits<Duration::rep>::max()) / 1e9;
    if (seconds >= maxSeconds) return Duration::max();
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(seconds));
}

MonotonicTime deadlineAfter(MonotonicTime now, Duration delay) {
    constexpr Duration century = std::chrono::hours(24 * 365 * 100);
    return now + std::clamp(delay, Duration::zero(), century);
}

}  // namespace vesperine
