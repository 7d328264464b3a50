#pragma once

#include <cstdint>
#include <utility>

#include "Schedule/SolarEvent.h"
#include "Support/Json.h"

namespace vesperine {

// When a schedule step begins: a wall-clock time of the day, or sunrise/sunset moved by an
// offset. Values are kept as given (hour 25 is allowed here; it just never resolves).
class TimeAnchor {
public:
    enum class Kind { clock, solar };

    static constexpr TimeAnchor clock(std::int64_t hour, std::int64_t minute) {
        return TimeAnchor(Kind::clock, hour, minute, SolarEvent::sunrise);
    }
    static constexpr TimeAnchor solar(SolarEvent event, std::int64_t offsetMinutes) {
        return TimeAnchor(Kind::solar, 0, offsetMinutes, event);
    }

    constexpr Kind kind() const { return kind_; }
    constexpr std::int64_t hour() const { return first_; }           // clock only
    constexpr std::int64_t minute() const { return second_; }        // clock only
    constexpr SolarEvent event() const { return event_; }            // solar only
    constexpr std::int64_t offsetMinutes() const { return second_; } // solar only

    // The wall-clock time standing in for a solar event that cannot be computed (no location,
    // polar day or night): 07:00 for sunrise, 19:00 for sunset.
    static constexpr std::pair<int, int> fallback(SolarEvent event) {
        return event == SolarEvent::sunrise ? std::pair{7, 0} : std::pair{19, 0};
    }

    constexpr bool operator==(const TimeAnchor& other) const {
        if (kind_ != other.kind_) return false;
        if (kind_ == Kind::clock) return first_ == other.first_ && second_ == other.second_;
        return event_ == other.event_ && second_ == other.second_;
    }

private:
    constexpr TimeAnchor(Kind kind, std::int64_t first, std::int64_t second, SolarEvent event)
        : kind_(kind), first_(first), second_(second), event_(event) {}
    Kind kind_;
    std::int64_t first_;
    std::int64_t second_;
    SolarEvent event_;
};

template <>
struct JsonCodec<TimeAnchor> {
    static Json encode(const TimeAnchor& anchor);
    static Result<TimeAnchor> decode(const Json& json);
};

}  // namespace vesperine
