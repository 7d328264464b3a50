#pragma once

#include <optional>
#include <vector>

#include "Display/DisplayInfo.h"

namespace vesperine::DisplayCapabilities {

// The displays attached now, in the platform's order.
std::vector<DisplayInfo> all(const DisplayList& list);
DisplayInfo info(const PlatformScreen& screen);
DisplayLayout layout(const DisplayList& list);
// The first screen with that id, if any.
std::optional<PlatformScreen> screen(const DisplayList& list, DisplayID id);

}  // namespace vesperine::DisplayCapabilities
