#pragma once

#include <optional>
#include <string>
#include <vector>

// The power supply as the kernel shows it under /sys/class/power_supply, for machines without
// the UPower daemon. Stateless: read whenever an answer is needed.
//
// An internal battery is an entry of type "Battery" whose scope is not "Device" (a device's
// scope marks the battery of a mouse or a headset). For each, in the order of their names: on
// battery while its status is "Discharging"; the charge is its "capacity" (0 to 100), else
// energy_now × 100 / energy_full, else charge_now × 100 / charge_full (whole percent,
// truncated; a full value below 1 gives none). A later battery overrides what an earlier one
// set; a battery without a charge leaves the earlier one's. Files that are missing or hold
// garbage leave their value at its default and are named in `problems`.
namespace vesperine::PowerSupplyFiles {

struct Reading {
    bool battery = false;  // an internal battery is there
    bool onBattery = false;
    std::optional<int> percent;
    std::vector<std::string> problems;  // one line each, naming the entry and the file
};

Reading read(const std::string& root = "/sys/class/power_supply");

}  // namespace vesperine::PowerSupplyFiles
