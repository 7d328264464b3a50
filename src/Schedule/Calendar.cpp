#include "Schedule/Calendar.h"

#include <cmath>

namespace vesperine {

namespace {

constexpr std::int64_t secondsPerDay = 86400;
// Beyond this the zone rules give no answer anyway; it keeps the conversions below exact.
constexpr double maximumSeconds = 1e11;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

Calendar::Calendar(const TimeZone& zone) : zone_(zone), rules_(zone.identifier) {}

Calendar::~Calendar() = default;

std::optional<std::int64_t> Calendar::localSeconds(Instant instant) {
    const auto offset = utcOffset(instant);
    if (!offset) return std::nullopt;
    return static_cast<std::int64_t>(std::floor(instant.unixSeconds()) + *offset);
}

std::optional<Instant> Calendar::startOfDay(Instant instant) {
    return dateBySetting(0, 0, 0, instant);
}

std::optional<Instant> Calendar::addingDays(Instant instant, long days) {
    const auto local = localSeconds(instant);
    if (!local || std::abs(days) > static_cast<long>(maximumSeconds) / secondsPerDay)
        return std::nullopt;
    const auto moved = rules_.instantOf(*local + days * secondsPerDay);
    if (!moved) return std::nullopt;
    // The fraction of a second rides along; whole seconds carry the wall time.
    return Instant::fromUnix(static_cast<double>(*moved) +
                             (instant.unixSeconds() - std::floor(instant.unixSeconds())));
}

std::optional<Instant> Calendar::dateBySetting(long hour, long minute, long second, Instant day) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return std::nullopt;
    }
    const auto local = localSeconds(day);
    if (!local) return std::nullopt;
    const std::int64_t midnight = floorDiv(*local, secondsPerDay) * secondsPerDay;
    const auto placed = rules_.instantOf(midnight + hour * 3600 + minute * 60 + second);
    if (!placed) return std::nullopt;
    return Instant::fromUnix(static_cast<double>(*placed));
}

std::optional<int> Calendar::secondOfDay(Instant instant) {
    const auto local = localSeconds(instant);
    if (!local) return std::nullopt;
    return static_cast<int>(*local - floorDiv(*local, secondsPerDay) * secondsPerDay);
}

std::optional<double> Calendar::utcOffset(Instant instant) {
    if (!instant.isFinite() || std::abs(instant.unixSeconds()) > maximumSeconds)
        return std::nullopt;
    const auto offset =
        rules_.offsetAt(static_cast<std::int64_t>(std::floor(instant.unixSeconds())));
    if (!offset) return std::nullopt;
    return static_cast<double>(*offset);
}

}  // namespace vesperine
