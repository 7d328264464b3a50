#include "App/StartupSummary.h"

#include <cstdio>

#include "App/AppState.h"
#include "App/ControlStatus.h"
#include "App/MenuRules.h"
#include "Schedule/Calendar.h"

namespace vesperine {

std::string startupSummary(const AppState& state) {
    const ControlStatus status = ControlStatus::of(state);
    const Schedule active = state.store().active();
    const auto& location = state.store().location().get();
    const TimeZone zone = state.engine(active).timeZone();
    Calendar calendar(zone);
    const auto clockTime = [&](std::int64_t seconds) {
        const auto second = calendar.secondOfDay(Instant::fromUnix(static_cast<double>(seconds)));
        if (!second) return std::string("--:--");
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d", *second / 3600, *second / 60 % 60);
        return std::string(text);
    };

    std::string line = "Following the schedule \"" + active.name + "\"";
    if (location) {
        char where[64];
        std::snprintf(where, sizeof where, " (%.2f, %.2f", location->latitude,
                      location->longitude);
        line += " at " + location->name + where;
        if (state.store().locationGuessed())
            line += "; guessed from the time zone " + zone.identifier;
        line += ")";
    } else if (MenuRules::needsLocation(active, location)) {
        line += " without a location: sunrise and sunset fall back to their fixed times";
    }
    line += "; showing " + status.mode;
    if (!status.limitation.empty()) line += " (" + status.limitation + ")";
    if (status.source == "nextChange" || status.source == "until" ||
        status.source == "indefinitely") {
        line += status.source == "until" ? ", picked by hand until " + clockTime(status.until)
                : status.source == "nextChange" ? ", picked by hand until the next change"
                                                : ", picked by hand until changed";
    }
    if (status.nextMode.empty()) return line + "; no change ahead";
    return line + "; next change at " + clockTime(status.nextChange) + " to " + status.nextMode;
}

}  // namespace vesperine
