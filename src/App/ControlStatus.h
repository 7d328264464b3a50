#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "State/DisplayMode.h"

namespace vesperine {

class AppState;
class AppRules;

// What the running instance shows, why, and what comes next, as plain values: the control
// interface publishes each field as a property, and `vesperine status` words them. Times are
// on the schedule clock, in whole seconds since 1970 (UTC); 0 stands for "none".
struct ControlStatus {
    std::string mode = "Off";  // the resolved mode with its strength ("Warm 3400K", "Red 80%")
    std::string kind = "off";  // "bright", "warm", "red" or "off"
    double strength = 0;       // kelvin, a level or an intensity; 0 for off
    std::string limitation;    // why the user's wish was cut back; empty when it was not
    // What decides: "schedule", "preview", a pick by hand that lasts until the next scheduled
    // change ("nextChange"), until a time ("until") or until changed ("indefinitely"), the
    // rule of the application in front ("appRule") or its full-screen window ("fullScreen").
    std::string source = "schedule";
    std::int64_t until = 0;    // the end of an "until" pick
    std::string application;   // the application of "appRule" and "fullScreen"; else empty
    // The power guard's reason when its limit on Bright changed what shows ("battery low");
    // empty when it did not.
    std::string guard;
    std::string schedule;      // the active schedule's name
    std::string nextMode;      // the mode of the next scheduled change; empty when none comes
    std::int64_t nextChange = 0;
    // Where sunrise and sunset are worked out ("Paris, France (48.8566° N, 2.3522° E)");
    // empty when no location is known.
    std::string location;

    // The app state's current status; `rules` (may be null) names the application whose
    // rule decides.
    static ControlStatus of(const AppState& state, const AppRules* rules = nullptr);

    // A mode as `mode` words it: with its strength ("Warm 3400K", "Red 80%", "Off").
    static std::string withStrength(const DisplayMode& mode);

    // A few lines for a terminal, each ending in a newline, every name in them made safe to
    // print (SafeText::forPeople): a status may come from whatever owns the bus name.
    // `clockTime` words a time ("21:30").
    std::string describe(const std::function<std::string(std::int64_t)>& clockTime) const;

    bool operator==(const ControlStatus&) const = default;
};

}  // namespace vesperine
