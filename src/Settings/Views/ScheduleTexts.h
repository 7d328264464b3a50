#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <vector>

#include "Schedule/TimeZone.h"
#include "Settings/ScheduleToday.h"
#include "State/DisplayMode.h"

namespace vesperine {

// The schedule views' words for modes, times and summaries, translated. What they say is
// decided by the core (shown strengths, today's order, offset sides); this only words it.
class ScheduleTexts {
    Q_DECLARE_TR_FUNCTIONS(ScheduleTexts)
public:
    // "Bright", "Warm", "Red", "Off".
    static QString kindLabel(DisplayMode::Kind kind);
    // "Bright 250%", "Warm 3400K", "Red", "Off".
    static QString shortDescription(const DisplayMode& mode);
    // The strength beside a slider: "250%", "3400K", "80%"; empty for off.
    static QString strength(const DisplayMode& mode);
    // The locale's short time format, hours and minutes only (some locales' short format
    // carries seconds, which a schedule never has). Every time of day the windows show, or
    // let the user pick, is in this format.
    static QString timeFormat();
    // A time of day in that format: "19:00", or "7:00 PM" where the locale's clock has 12 hours.
    static QString clockTime(int hour, int minute);
    // `instant`'s wall-clock time in `zone` in that format.
    static QString time(std::optional<Instant> instant, const TimeZone& zone);
    // "exactly", "+15 min", "−15 min" (with the minus sign).
    static QString offset(std::int64_t offsetMinutes);
    // "No steps: you choose the mode from the menu." or the steps' modes and times today,
    // joined by arrows.
    static QString summary(const std::vector<ScheduleToday::SummaryItem>& items,
                           const TimeZone& zone);
};

}  // namespace vesperine
