#include "Schedule/Calendar.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cmath>

namespace vesperine {

namespace {

// ICU counts milliseconds; its calendar works within about ±2.9e14 years but we stay far
// inside what a Double holds exactly to the millisecond.
constexpr double maximumSeconds = 1e14;

}  // namespace

struct Calendar::Engine {
    std::unique_ptr<icu::Calendar> calendar;
};

Calendar::Calendar(const TimeZone& zone) : zone_(zone) {
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone* icuZone =
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone.identifier));
    auto gregorian = std::make_unique<icu::GregorianCalendar>(icuZone, status);  // adopts the zone
    if (U_FAILURE(status)) return;
    gregorian->setLenient(true);
    gregorian->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    gregorian->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    engine_ = std::make_unique<Engine>(Engine{std::move(gregorian)});
}

Calendar::~Calendar() = default;

bool Calendar::load(Instant instant) {
    if (!engine_ || !instant.isFinite() || std::abs(instant.unixSeconds()) > maximumSeconds) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    engine_->calendar->setTime(instant.unixSeconds() * 1000.0, status);
    return U_SUCCESS(status);
}

std::optional<Instant> Calendar::read() {
    UErrorCode status = U_ZERO_ERROR;
    const UDate ms = engine_->calendar->getTime(status);
    if (U_FAILURE(status) || !std::isfinite(ms)) return std::nullopt;
    return Instant::fromUnix(ms / 1000.0);
}

std::optional<Instant> Calendar::startOfDay(Instant instant) {
    return dateBySetting(0, 0, 0, instant);
}

std::optional<Instant> Calendar::addingDays(Instant instant, long days) {
    if (!load(instant)) return std::nullopt;
    if (days > 1'000'000'000L || days < -1'000'000'000L) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    engine_->calendar->add(UCAL_DATE, static_cast<int32_t>(days), status);
    if (U_FAILURE(status)) return std::nullopt;
    return read();
}

std::optional<Instant> Calendar::dateBySetting(long hour, long minute, long second, Instant day) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return std::nullopt;
    }
    if (!load(day)) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t year = engine_->calendar->get(UCAL_EXTENDED_YEAR, status);
    const int32_t dayOfYear = engine_->calendar->get(UCAL_DAY_OF_YEAR, status);
    if (U_FAILURE(status)) return std::nullopt;
    engine_->calendar->clear();
    engine_->calendar->set(UCAL_EXTENDED_YEAR, year);
    engine_->calendar->set(UCAL_DAY_OF_YEAR, dayOfYear);
    engine_->calendar->set(UCAL_HOUR_OF_DAY, static_cast<int32_t>(hour));
    engine_->calendar->set(UCAL_MINUTE, static_cast<int32_t>(minute));
    engine_->calendar->set(UCAL_SECOND, static_cast<int32_t>(second));
    return read();
}

std::optional<int> Calendar::secondOfDay(Instant instant) {
    const auto offset = utcOffset(instant);
    if (!offset) return std::nullopt;
    const double local = std::floor(instant.unixSeconds() + *offset);
    const double second = local - 86400.0 * std::floor(local / 86400.0);
    return std::clamp(static_cast<int>(second), 0, 86399);
}

std::optional<double> Calendar::utcOffset(Instant instant) {
    if (!load(instant)) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t zone = engine_->calendar->get(UCAL_ZONE_OFFSET, status);
    const int32_t dst = engine_->calendar->get(UCAL_DST_OFFSET, status);
    if (U_FAILURE(status)) return std::nullopt;
    return (zone + dst) / 1000.0;
}

}  // namespace vesperine
