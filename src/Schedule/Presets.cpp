#include "Schedule/Presets.h"

namespace vesperine::Presets {

namespace {

Uuid fixedId(const char* text) { return *Uuid::parse(text); }

std::vector<Schedule> makeAll() {
    const auto sunrise = [](std::int64_t offset) { return TimeAnchor::solar(SolarEvent::sunrise, offset); };
    const auto sunset = [](std::int64_t offset) { return TimeAnchor::solar(SolarEvent::sunset, offset); };
    const auto at23 = TimeAnchor::clock(23, 0);
    return {
        {fixedId("5C1B6A52-0001-4000-8000-000000000001"),
         "Day & Night",
         {{sunrise(30), DisplayMode::bright(2.0), 30},
          {sunset(-30), DisplayMode::warm(3400), 30},
          {at23, DisplayMode::red(0.8), 30}},
         true},
        {fixedId("5C1B6A52-0002-4000-8000-000000000002"),
         "Warm only",
         {{sunrise(0), DisplayMode::off(), 60},
          {sunset(0), DisplayMode::warm(3400), 60},
          {at23, DisplayMode::warm(1900), 30}},
         true},
        {fixedId("5C1B6A52-0003-4000-8000-000000000003"),
         "Bright only",
         {{sunrise(30), DisplayMode::bright(2.0), 30}, {sunset(0), DisplayMode::off(), 30}},
         true},
        {fixedId("5C1B6A52-0004-4000-8000-000000000004"), "Manual", {}, true},
    };
}

}  // namespace

const std::vector<Schedule>& all() {
    static const std::vector<Schedule> schedules = makeAll();
    return schedules;
}

const Schedule& dayAndNight() { return all()[0]; }
const Schedule& warmOnly() { return all()[1]; }
const Schedule& brightOnly() { return all()[2]; }
const Schedule& manual() { return all()[3]; }
const Schedule& defaultSchedule() { return dayAndNight(); }

std::string description(const Schedule& builtIn) {
    if (builtIn.id == dayAndNight().id) return "Bright by day, Warm from sunset, Red at 11 PM.";
    if (builtIn.id == warmOnly().id) return "Normal by day, Warm after sunset, very warm at 11 PM.";
    if (builtIn.id == brightOnly().id) return "Bright by day, off at night.";
    if (builtIn.id == manual().id) return "No schedule. You pick the mode from the menu.";
    return {};
}

}  // namespace vesperine::Presets
