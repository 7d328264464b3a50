#include "Settings/ScheduleToday.h"

#include <algorithm>
#include <numeric>

#include "Schedule/Calendar.h"

namespace vesperine::ScheduleToday {

std::vector<StepTime> steps(const ScheduleEngine& engine, Instant now) {
    const auto& keyframes = engine.schedule().keyframes;
    std::vector<StepTime> result(keyframes.size());
    Calendar calendar(engine.timeZone());
    const auto today = calendar.startOfDay(now);
    if (!today) return result;
    for (std::size_t i = 0; i < keyframes.size(); ++i) {
        const auto& anchor = keyframes[i].time;
        result[i].start = engine.resolve(anchor, *today, calendar);
        if (result[i].start && anchor.kind() == TimeAnchor::Kind::clock) {
            const auto second = calendar.secondOfDay(*result[i].start);
            result[i].moved = second && *second != anchor.hour() * 3600 + anchor.minute() * 60;
        }
    }
    return result;
}

std::vector<std::size_t> order(const std::vector<StepTime>& times) {
    std::vector<std::size_t> indices(times.size());
    std::iota(indices.begin(), indices.end(), std::size_t{0});
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        const auto& first = times[a].start;
        const auto& second = times[b].start;
        if (!second) return first.has_value();
        return first && *first < *second;
    });
    return indices;
}

std::vector<SummaryItem> summary(const ScheduleEngine& engine, Instant now) {
    const auto times = steps(engine, now);
    std::vector<SummaryItem> items;
    items.reserve(times.size());
    for (std::size_t i : order(times)) {
        items.push_back({engine.schedule().keyframes[i].mode, times[i].start});
    }
    return items;
}

bool formsTimeOfDay(const TimeAnchor& anchor) {
    if (anchor.kind() == TimeAnchor::Kind::solar) return true;
    return anchor.hour() >= 0 && anchor.hour() <= 23 && anchor.minute() >= 0 &&
           anchor.minute() <= 59;
}

std::optional<WallTime> wallTime(Instant instant, const TimeZone& zone) {
    const auto second = Calendar(zone).secondOfDay(instant);
    if (!second) return std::nullopt;
    return WallTime{*second / 3600, *second / 60 % 60};
}

}  // namespace vesperine::ScheduleToday
