#pragma once

#include <cstdint>

#include "Schedule/TimeAnchor.h"
#include "State/DisplayMode.h"
#include "Support/Json.h"
#include "Support/Uuid.h"

namespace vesperine {

// One step of a schedule: from `time` on, `mode` applies, fading in over `transitionMinutes`
// (0 or less: at once). `id` is the step's identity in lists; equality compares every field.
struct Keyframe {
    Uuid id = Uuid::random();
    TimeAnchor time = TimeAnchor::clock(0, 0);
    DisplayMode mode;
    std::int64_t transitionMinutes = 0;

    Keyframe() = default;
    Keyframe(TimeAnchor time, DisplayMode mode, std::int64_t transitionMinutes)
        : time(time), mode(mode), transitionMinutes(transitionMinutes) {}
    Keyframe(Uuid id, TimeAnchor time, DisplayMode mode, std::int64_t transitionMinutes)
        : id(id), time(time), mode(mode), transitionMinutes(transitionMinutes) {}

    bool operator==(const Keyframe&) const = default;
};

template <>
struct JsonCodec<Keyframe> {
    static Json encode(const Keyframe& keyframe);
    static Result<Keyframe> decode(const Json& json);
};

}  // namespace vesperine
