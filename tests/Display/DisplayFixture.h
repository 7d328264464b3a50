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

// Two displays side by side: the first can boost (headroom 4), the second cannot.
struct BoostDesk {
    BoostDesk() {
        displays.add(screen(1, 16.0, 4.0));
        displays.add(screen(2, 1.0, 1.0, 1920));
        pipeline = std::make_unique<DisplayPipeline>(displays, displays, surfaces, time, logger);
    }
    SimulatedDisplays displays;
    SimulatedEDRSurfaces surfaces;
    VirtualTime time;
    CapturingLogger logger;
    std::unique_ptr<DisplayPipeline> pipeline;
};

// Whether the display is attached and the top of its table is these gains.
inline bool shows(const SimulatedDisplays& displays, DisplayID id, const RGBGains& gains) {
    return displays.has(id) && !displays.table(id).r.empty() &&
           lastRed(displays, id) == static_cast<float>(gains.r) &&
           lastGreen(displays, id) == static_cast<float>(gains.g) &&
           lastBlue(displays, id) == static_cast<float>(gains.b);
}

}  // namespace vesperine::testing_display
