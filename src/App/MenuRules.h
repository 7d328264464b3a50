#pragma once

#include <optional>

#include "Schedule/Location.h"
#include "Schedule/Schedule.h"
#include "Schedule/ScheduleEngine.h"
#include "State/DisplayMode.h"
#include "State/Override.h"

namespace vesperine {

// What the tray icon and its panel show, decided without widgets: the panel only words it.
namespace MenuRules {

// The tray icon's name for the kind of mode shown. An icon theme may provide icons under
// these names; the program draws its own otherwise.
const char* trayIconName(DisplayMode::Kind kind);

// Whether the mode picker lets `kind` be chosen: Bright only where a display can show it.
bool isSelectable(DisplayMode::Kind kind, bool anyDisplaySupportsBoost);

// The schedule's next change as the panel names it: the mode of the step that begins at the
// schedule state's next transition, and that instant. None without a schedule state or
// without such a step.
struct NextChange {
    DisplayMode mode;
    Instant at;
    bool operator==(const NextChange&) const = default;
};
std::optional<NextChange> nextChange(const std::optional<ScheduleEngine::State>& state,
                                     const std::optional<DisplayMode>& nextMode);

// Whether the panel asks for a location: none is set and a step of `active` follows
// sunrise or sunset (which then falls back to fixed times).
bool needsLocation(const Schedule& active, const std::optional<Location>& location);

// The strength slider of a kind that has one. Its positions are whole numbers, `perUnit` of
// them to one unit of the strength (a level, kelvin or an intensity); `reversed` puts the
// upper end on the left (Warm: warmer, fewer kelvin, to the right).
struct Slider {
    int minimum = 0;
    int maximum = 0;
    double perUnit = 1;
    bool reversed = false;
    int singleStep = 1;  // arrow keys
    int pageStep = 1;    // page keys and clicks beside the handle
};
std::optional<Slider> slider(DisplayMode::Kind kind);
// A strength as a position, clamped to the slider's ends (stored values may lie outside).
int position(const Slider& slider, double strength);
double strength(const Slider& slider, int position);

// The boost note: the highest boost the displays allow now, in percent, when the remembered
// level asks for more than that; none otherwise (also when no ceiling is known).
std::optional<long long> boostNotePercent(double boostLevel, std::optional<double> ceiling);

// The Keep picker's choice that shows an override's lifetime.
LifetimeChoice keepChoice(const Override::Lifetime& lifetime);

}  // namespace MenuRules
}  // namespace vesperine
