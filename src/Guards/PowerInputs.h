#pragma once

#include <optional>

#include "Guards/ThermalState.h"

namespace vesperine {

// A snapshot of what the power guard looks at. The defaults are the reading before anything
// is known: on mains power, no battery charge, Low Power Mode off, cool.
struct PowerInputs {
    bool onBattery = false;              // the internal battery is the current power source
    std::optional<int> batteryPercent;   // its charge in percent; absent when none reports one
    bool lowPowerMode = false;           // the system's power-saving mode is on
    ThermalState thermal = ThermalState::nominal;

    bool operator==(const PowerInputs&) const = default;
};

}  // namespace vesperine
