#pragma once

#include <string>
#include <vector>

#include "Schedule/Schedule.h"

namespace vesperine::Presets {

// The built-in schedules. Their ids are fixed so that a stored active id keeps naming the
// same schedule across versions; their keyframe ids are drawn afresh on each start.
const Schedule& dayAndNight();
const Schedule& warmOnly();
const Schedule& brightOnly();
const Schedule& manual();

// In the order they are listed: Day & Night, Warm only, Bright only, Manual.
const std::vector<Schedule>& all();
// The active schedule of a new installation, and the fallback for an unknown active id.
const Schedule& defaultSchedule();

// The one-line description shown when choosing a starting schedule.
std::string description(const Schedule& builtIn);

}  // namespace vesperine::Presets
