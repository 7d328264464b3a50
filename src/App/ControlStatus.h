#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vesperine {

class AppState;

// What the running instance shows, why, and what comes next, as plain values: the control
// interface publishes each field as a property, and `vesperine status` words them. Times are
// on the schedule clock, in whole seconds since 1970 (UTC); 0 stands for "none".
struct ControlStatus {
    std::string mode = "Off";  // the resolved mode, as the menu names it ("Warm 3400K")
    std::string kind = "off";  // "bright", "warm", "red" or "off"
    double strength = 0;       // kelvin, a level or an intensity; 0 for off
    std::string limitation;    // why the user's wish was cut back; empty when it was not
    // Why this mode: "schedule", "preview", or a pick by hand that lasts until the next
    // scheduled change ("nextChange"), until a time ("until") or until changed ("indefinitely").
    std::string source = "schedule";
    std::int64_t until = 0;    // the end of an "until" pick
    std::string schedule;      // the active schedule's name
    std::string nextMode;      // the mode of the next scheduled change; empty when none comes
    std::int64_t nextChange = 0;

    // The app state's current status.
    static ControlStatus of(const AppState& state);

    // A few lines for a terminal, each ending in a newline. `clockTime` words a time
    // ("21:30").
    std::string describe(const std::function<std::string(std::int64_t)>& clockTime) const;

    bool operator==(const ControlStatus&) const = default;
};

}  // namespace vesperine
