#pragma once

#include <cmath>
#include <compare>

namespace vesperine {

// An absolute point in time on the wall clock, in seconds since 1970-01-01 00:00:00 UTC.
// Stored files count from 2001-01-01 00:00:00 UTC instead ("reference date"); the
// conversions below are the only place that knows the 978307200 s between the two.
class Instant {
public:
    static constexpr double referenceDateOffset = 978307200.0;

    constexpr Instant() = default;
    static constexpr Instant fromUnix(double seconds) { return Instant(seconds); }
    static constexpr Instant fromReferenceDate(double seconds) {
        return Instant(seconds + referenceDateOffset);
    }

    constexpr double unixSeconds() const { return seconds_; }
    constexpr double referenceDateSeconds() const { return seconds_ - referenceDateOffset; }
    bool isFinite() const { return std::isfinite(seconds_); }

    constexpr Instant operator+(double seconds) const { return Instant(seconds_ + seconds); }
    constexpr Instant operator-(double seconds) const { return Instant(seconds_ - seconds); }
    constexpr double operator-(Instant other) const { return seconds_ - other.seconds_; }

    constexpr bool operator==(const Instant&) const = default;
    constexpr auto operator<=>(const Instant&) const = default;

private:
    constexpr explicit Instant(double seconds) : seconds_(seconds) {}
    double seconds_ = 0.0;
};

}  // namespace vesperine
