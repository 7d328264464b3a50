#include "Schedule/ScheduleEngine.h"

#include <algorithm>
#include <cmath>

#include "Schedule/SolarCalculator.h"

namespace vesperine {

ScheduleEngine::ScheduleEngine(Schedule schedule, std::optional<Location> location, TimeZone timeZone)
    : schedule_(std::move(schedule)), location_(std::move(location)), timeZone_(std::move(timeZone)) {}

std::optional<Instant> ScheduleEngine::resolve(const TimeAnchor& anchor, Instant day,
                                               Calendar& calendar) const {
    if (anchor.kind() == TimeAnchor::Kind::clock) {
        return calendar.dateBySetting(anchor.hour(), anchor.minute(), 0, day);
    }
    std::optional<Instant> base;
    if (location_) {
        auto sun = SolarCalculator::day(day, location_->latitude, location_->longitude, calendar);
        if (sun.kind() == SolarCalculator::Day::Kind::normal) {
            const Instant instant = anchor.event() == SolarEvent::sunrise ? sun.sunrise() : sun.sunset();
            // A damaged location can give NaN or infinite instants; they would break the
            // ordering of the occurrences and every delay computed from them.
            if (instant.isFinite()) base = instant;
        }
    }
    if (!base) {
        auto [hour, minute] = TimeAnchor::fallback(anchor.event());
        base = calendar.dateBySetting(hour, minute, 0, day);
        if (!base) return std::nullopt;
    }
    // In floating point: minutes × 60 cannot overflow, and the sum stays finite.
    const Instant instant = *base + static_cast<double>(anchor.offsetMinutes()) * 60.0;
    if (!instant.isFinite()) return std::nullopt;
    return instant;
}

std::vector<ScheduleEngine::Occurrence> ScheduleEngine::occurrences(Instant date) const {
    std::vector<Occurrence> result;
    if (schedule_.keyframes.empty()) return result;
    Calendar calendar(timeZone_);
    auto today = calendar.startOfDay(date);
    if (!today) return result;
    result.reserve(schedule_.keyframes.size() * 5);
    for (long offset = -2; offset <= 2; ++offset) {
        auto day = calendar.addingDays(*today, offset);
        if (!day) continue;
        for (const auto& keyframe : schedule_.keyframes) {
            if (auto start = resolve(keyframe.time, *day, calendar)) {
                result.push_back({*start, keyframe});
            }
        }
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Occurrence& a, const Occurrence& b) { return a.start < b.start; });
    return result;
}

std::optional<ScheduleEngine::State> ScheduleEngine::state(Instant date) const {
    if (!date.isFinite()) return std::nullopt;
    const auto occ = occurrences(date);
    if (occ.empty()) return std::nullopt;

    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(occ.size()) - 1;
    while (i >= 0 && occ[static_cast<std::size_t>(i)].start > date) --i;
    if (i <= 0) return std::nullopt;
    std::size_t j = 0;
    while (j < occ.size() && !(occ[j].start > date)) ++j;
    if (j == occ.size()) return std::nullopt;

    const auto& current = occ[static_cast<std::size_t>(i)];
    const auto& previous = occ[static_cast<std::size_t>(i - 1)];
    const auto& next = occ[j];
    const double T = static_cast<double>(current.keyframe.transitionMinutes) * 60.0;
    double progress = 1.0;
    if (T > 0) {
        progress = (date - current.start) / T;
        if (progress >= 1.0) progress = 1.0;
    }
    State state{previous.keyframe.mode, current.keyframe.mode, progress, current.start, next.start,
                std::nullopt};
    if (progress < 1.0) state.fadeEnds = current.start + T;
    return state;
}

}  // namespace vesperine
