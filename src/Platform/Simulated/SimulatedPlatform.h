#pragma once

#include <string>

#include "App/AppDelegate.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedAlerts.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/SimulatedHotkeys.h"
#include "Platform/Simulated/SimulatedInstaller.h"
#include "Platform/Simulated/SimulatedPowerSource.h"
#include "Platform/Simulated/SimulatedProcesses.h"
#include "Platform/Simulated/SimulatedRelaunch.h"
#include "Platform/Simulated/SimulatedSingleInstance.h"
#include "Platform/Simulated/SimulatedSystemEvents.h"
#include "Platform/Simulated/SimulatedTrash.h"
#include "Platform/Simulated/SimulatedWorkspace.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {

// A whole simulated machine for the program: every twin the delegate needs, driven by one
// virtual time. Tests and the headless replay build the program over it and reach into the
// twins' control sides. The logger, the time zone and the schedule file are the caller's.
struct SimulatedPlatform {
    explicit SimulatedPlatform(Instant start);
    SimulatedPlatform(const SimulatedPlatform&) = delete;
    SimulatedPlatform& operator=(const SimulatedPlatform&) = delete;

    AppDelegate::Platform platform(TimeZoneSource& zones, Logger& logger,
                                   std::string scheduleFile, bool underTestHarness = false);

    VirtualTime time;
    SimulatedDisplays displays;
    SimulatedEDRSurfaces surfaces;
    SimulatedSystemEvents events;
    MemoryDefaultsStore defaults;
    MemoryFileSystem files;
    SimulatedHotkeys hotkeys;
    SimulatedSingleInstance instance;
    SimulatedWorkspace workspace;
    SimulatedPowerSource power;
    SimulatedColourFeature nightLight;
    SimulatedProcesses processes;
    SimulatedInstaller installer;  // runs from nowhere in particular: never offers to install
    SimulatedAlerts alerts;
    SimulatedRelaunch relaunch;
    SimulatedTrash trash{&files};
    LegacyMigration::Predecessor predecessor;  // none, unless a test plants one
};

}  // namespace vesperine
