#include "Platform/Simulated/SimulatedPlatform.h"

namespace vesperine {

SimulatedPlatform::SimulatedPlatform(Instant start)
    : time(start), nightLight(time), processes(time) {}

AppDelegate::Platform SimulatedPlatform::platform(TimeZoneSource& zones, Logger& logger,
                                                  std::string scheduleFile, bool underTestHarness) {
    return AppDelegate::Platform{displays,
                                 displays,
                                 displays,
                                 surfaces,
                                 events,
                                 time,
                                 time,
                                 zones,
                                 defaults,
                                 files,
                                 logger,
                                 hotkeys,
                                 instance,
                                 workspace,
                                 power,
                                 nightLight,
                                 processes,
                                 installer,
                                 alerts,
                                 relaunch,
                                 trash,
                                 predecessor,
                                 std::move(scheduleFile),
                                 underTestHarness};
}

}  // namespace vesperine
