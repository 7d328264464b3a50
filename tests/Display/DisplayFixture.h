// A simulated machine for display-output tests: displays, events, surfaces, virtual time.
#pragma once

#include <gtest/gtest.h>

#include "Display/DisplayPipeline.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/SimulatedSystemEvents.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine::testing_display {

inline PlatformScreen screen(DisplayID id, double potential = 1.0, double current = 1.0,
                             double x = 0) {
    return {id,     "Display " + std::to_string(id), {x, 0, 1920, 1080}, 2.0, id == 1, potential,
            current};
}

inline float lastRed(const SimulatedDisplays& displays, DisplayID id) {
    return displays.table(id).r.back();
}
inline float lastGreen(const SimulatedDisplays& displays, DisplayID id) {
    return displays.table(id).g.back();
}
inline float lastBlue(const SimulatedDisplays& displays, DisplayID id) {
    return displays.table(id).b.back();
}

}  // namespace vesperine::testing_display
