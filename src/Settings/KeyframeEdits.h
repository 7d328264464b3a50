#pragma once

#include <cstdint>
#include <optional>

#include "App/Preferences.h"
#include "Schedule/Keyframe.h"
#include "Settings/ScheduleToday.h"

namespace vesperine::KeyframeEdits {

// What the step editor offers for a step's time: a clock time, or sunrise or sunset with an
// offset.
enum class AnchorKind { clock, sunrise, sunset };
AnchorKind anchorKind(const TimeAnchor& anchor);

// The anchor after the user picks another kind. A clock time stays as it is; a step that
// becomes a clock time starts at the wall time it had today (`timeToday`), else at the
// event's stand-in time; sunrise and sunset keep their offset, a former clock time gets none.
TimeAnchor withAnchorKind(const TimeAnchor& anchor, AnchorKind kind,
                          std::optional<ScheduleToday::WallTime> timeToday);

// The mode after the user picks a kind: unchanged for the same kind, otherwise the kind at
// its remembered strength.
DisplayMode withModeKind(const DisplayMode& mode, DisplayMode::Kind kind,
                         const Preferences& preferences);

// The range and step of the offset stepper (minutes) and of the fade stepper (minutes).
struct StepperRange {
    int lower;
    int upper;
    int step;
};
inline constexpr StepperRange offsetRange{-240, 240, 15};
inline constexpr StepperRange fadeRange{0, 180, 5};

// How an offset from sunrise or sunset is labelled: "exactly", "+N min" or "−N min", with
// `minutes` the size of the offset.
struct OffsetLabel {
    enum class Side { exactly, later, earlier };
    Side side;
    std::uint64_t minutes;
    bool operator==(const OffsetLabel&) const = default;
};
OffsetLabel offsetLabel(std::int64_t offsetMinutes);

// The step a new "Add Step" appends: noon, Warm 3400K, a 30-minute fade.
Keyframe newStep();

}  // namespace vesperine::KeyframeEdits
