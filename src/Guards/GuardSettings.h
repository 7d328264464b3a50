#pragma once

#include "Support/Json.h"

namespace vesperine {

// The user's power settings. Kept as stored: the settings window offers batteryCap from 1.1
// to 4.0 and lowBatteryPercent from 5 to 50, but nothing here clamps.
struct GuardSettings {
    bool capOnBattery = true;        // cap the boost while on battery
    double batteryCap = 1.5;         // the highest Bright level on battery (1.5 shows as 150%)
    int lowBatteryPercent = 20;      // below this charge, on battery, the boost goes off
    bool offInLowPowerMode = true;   // no boost while Low Power Mode is on
    bool thermalProtection = true;   // reduce, then stop, the boost when the machine runs hot

    bool operator==(const GuardSettings&) const = default;
};

// One object with exactly the five members named like the fields; all five are required
// when reading. A lowBatteryPercent that is not an integer within int's range does not decode.
template <>
struct JsonCodec<GuardSettings> {
    static Json encode(const GuardSettings& settings);
    static Result<GuardSettings> decode(const Json& json);
};

}  // namespace vesperine
