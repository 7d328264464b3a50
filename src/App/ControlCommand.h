#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Schedule/Location.h"
#include "State/DisplayMode.h"
#include "Support/Result.h"

namespace vesperine {

// A command for the running instance, as typed after the program's name:
//   status                 print what is shown, why, and what comes next
//   warm [KELVIN]          Warm, at KELVIN when given (else the remembered strength)
//   red [PERCENT]          Red, at PERCENT of full intensity
//   bright [PERCENT]       Bright, at PERCENT of normal white
//   off                    Off until the next scheduled change
//   resume                 drop the pick and follow the schedule
//   reset                  give the displays their own colours back and hold Off
//   location [PLACE]       print the location, or set it: LAT:LON, LAT,LON or a city's name
//                          (CoordinateInput::readPlace; a name may take several words)
//   location --clear       forget it: the time zone's city, as on a first start
//   location --auto        ask the machine's location service once and set what it finds
// A strength may carry its unit ("3400K", "80%"); it must lie in the kind's own range (the
// slider's), since the running instance would otherwise show something the user did not ask
// for.
struct ControlCommand {
    enum class Verb { status, warm, red, bright, off, resume, reset, location };

    Verb verb = Verb::status;
    // In the core's units: kelvin, a level (2.5 = 250 %) or an intensity (0.8 = 80 %).
    std::optional<double> strength;
    // For location: the place to set, whether to clear it, or to find it first; none of
    // them prints it.
    std::optional<Location> place;
    bool clear = false;
    bool automatic = false;

    // The verb `word` names, if any ("warm" is one, "--reset" is not).
    static std::optional<Verb> verbNamed(const std::string& word);
    // `words` starts with a verb; the rest are its arguments. Fails with one line.
    static Result<ControlCommand> parse(const std::vector<std::string>& words);

    // The kind a verb selects; none for status, resume and reset.
    std::optional<DisplayMode::Kind> kind() const;

    bool operator==(const ControlCommand&) const = default;
};

}  // namespace vesperine
