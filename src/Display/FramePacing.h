#pragma once

#include <vector>

#include "Display/DisplayInfo.h"
#include "Display/TransitionPlan.h"

namespace vesperine::FramePacing {

// The smallest change of a channel gain worth a frame: finer than what a 10-bit ramp, or an
// eye, can tell from the table before it.
inline constexpr double visibleStep = 1.0 / 4096.0;

// How far the eased progress of `step` (0 at its start, 1 at its end) may move before some
// display's channel gains have moved by visibleStep. Exact while only the tint changes (the
// gains are then linear in the eased progress); with boost a bound from below, taken from the
// steepest slope of the boost factor over the step. Infinite when no display's gains change.
double easedSpan(const TransitionPlan::Step& step, const std::vector<DisplayInfo>& displays);

}  // namespace vesperine::FramePacing
