#pragma once

#include <vector>

#include "Display/DisplayInfo.h"
#include "Display/TransitionPlan.h"

namespace vesperine::FramePacing {

// The smallest change of a channel gain worth a frame: one level of a 10-bit panel, four times
// finer than a level of an 8-bit one, and below what an eye tells from the frame before in a
// slow fade. A finer step would buy frames (each a request and a wake-up of the display
// server) that no panel shows.
inline constexpr double visibleStep = 1.0 / 1024.0;

// How far the eased progress of `step` (0 at its start, 1 at its end) may move before some
// display's channel gains have moved by visibleStep. Exact while only the tint changes (the
// gains are then linear in the eased progress); with boost a bound from below, taken from the
// steepest slope of the boost factor over the step. Infinite when no display's gains change.
double easedSpan(const TransitionPlan::Step& step, const std::vector<DisplayInfo>& displays);

}  // namespace vesperine::FramePacing
