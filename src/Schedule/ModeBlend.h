#pragma once

#include "Display/DisplayTarget.h"
#include "State/DisplayMode.h"

namespace vesperine::ModeBlend {

// The target part-way (`progress`, clamped to 0...1) through a scheduled change from one mode
// to another. Warm and Off fade evenly in mired; between Bright and a colour mode the blend
// goes through Off, so boost and tint are never shown together.
DisplayTarget target(const DisplayMode& from, const DisplayMode& to, double progress);

}  // namespace vesperine::ModeBlend
