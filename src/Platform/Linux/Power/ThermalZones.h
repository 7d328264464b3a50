#pragma once

#include <string>
#include <vector>

#include "Guards/ThermalState.h"

// How hot the machine runs, judged from the kernel's thermal zones (/sys/class/thermal) each
// against its own trip points. Stateless: read whenever an answer is needed.
//
// A zone's trip points say what the kernel itself does at each temperature, so they are the
// machine's own measure of "hot" (a phone SoC and a desktop CPU differ by tens of degrees):
//
//   the zone's temperature has reached          thermal state
//   no trip point                               nominal
//   an "active" trip (a fan starts or speeds up) fair
//   a "passive" trip (the kernel throttles)      serious
//   a "hot" or "critical" trip (the kernel is    critical
//     about to shut down or suspend the machine)
//
// The machine's state is the hottest zone's. Zones switched off (mode "disabled"), trip
// points at or below 0 °C (drivers park unused trips there) and trip types not listed above
// are left out. The kernel's hysteresis is not applied: the power guard keeps its own, much
// longer, before it steps back down. A zone whose temperature cannot be read is left out and
// named in `problems`; no readable zone at all reads as nominal.
namespace vesperine::ThermalZones {

struct Reading {
    ThermalState state = ThermalState::nominal;
    int zonesRead = 0;                  // zones whose temperature was read
    std::vector<std::string> problems;  // one line each, naming the zone and the file
};

Reading read(const std::string& root = "/sys/class/thermal");

}  // namespace vesperine::ThermalZones
