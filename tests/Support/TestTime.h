// The instant tests start their machines at, and helpers for writing local wall-clock times.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <date/date.h>

#include "Schedule/Calendar.h"

namespace vesperine::testing_time {

// 2026-06-10 12:00 UTC: midday of a summer day.
inline constexpr double noon = 1'781'092'800;
// The midnight before it.
inline constexpr double midnight = noon - 12 * 3600;

// Days since 1970-01-01 of a proleptic Gregorian date.
inline long long daysFromCivil(int y, unsigned m, unsigned d) {
    return date::sys_days(date::year(y) / date::month(m) / date::day(d)).time_since_epoch().count();
}

// The instant of a local wall-clock time in `zone` (skipped times: the next valid one).
inline Instant local(const std::string& zone, int year, int month, int day, int hour, int minute,
                     int second = 0) {
    // Noon UTC of the date, moved back by the zone's offset there, is local noon give or take
    // a clock change: inside the local date for every zone from -12 to +14 hours.
    Calendar calendar(TimeZone{zone});
    const Instant noonUtc = Instant::fromUnix(
        static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 + 12 * 3600.0);
    const Instant inDay = noonUtc - calendar.utcOffset(noonUtc).value_or(0);
    auto instant = calendar.dateBySetting(hour, minute, second, inDay);
    EXPECT_TRUE(instant) << zone;
    return instant.value_or(Instant());
}

// Local "HH:MM" of an instant, rounded to the nearest minute.
inline std::string hhmm(const std::string& zone, Instant instant) {
    Calendar calendar(TimeZone{zone});
    auto offset = calendar.utcOffset(instant).value_or(0);
    long long minutes = static_cast<long long>(std::llround((instant.unixSeconds() + offset) / 60.0));
    minutes = ((minutes % 1440) + 1440) % 1440;
    char text[8];
    std::snprintf(text, sizeof text, "%02lld:%02lld", minutes / 60, minutes % 60);
    return text;
}

// Sets the process's TZ (and the C library's reading of it) for the scope; then puts it back.
class ScopedTz {
public:
    explicit ScopedTz(const std::string& value) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", value.c_str(), 1);
        ::tzset();
    }
    ~ScopedTz() {
        saved_ ? ::setenv("TZ", saved_->c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace vesperine::testing_time
