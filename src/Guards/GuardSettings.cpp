#include "Guards/GuardSettings.h"

#include <limits>

namespace vesperine {

Json JsonCodec<GuardSettings>::encode(const GuardSettings& settings) {
    return Json{{"capOnBattery", settings.capOnBattery},
                {"batteryCap", settings.batteryCap},
                {"lowBatteryPercent", settings.lowBatteryPercent},
                {"offInLowPowerMode", settings.offInLowPowerMode},
                {"thermalProtection", settings.thermalProtection}};
}

Result<GuardSettings> JsonCodec<GuardSettings>::decode(const Json& json) {
    auto capOnBattery = json::boolean(json, "capOnBattery");
    if (!capOnBattery) return capOnBattery.error();
    auto batteryCap = json::number(json, "batteryCap");
    if (!batteryCap) return batteryCap.error();
    auto lowBattery = json::integer(json, "lowBatteryPercent");
    if (!lowBattery) return lowBattery.error();
    if (*lowBattery < std::numeric_limits<int>::min() ||
        *lowBattery > std::numeric_limits<int>::max()) {
        return Error{"Expected an integer that fits in Int for \"lowBatteryPercent\"."};
    }
    auto offInLowPower = json::boolean(json, "offInLowPowerMode");
    if (!offInLowPower) return offInLowPower.error();
    auto thermal = json::boolean(json, "thermalProtection");
    if (!thermal) return thermal.error();
    return GuardSettings{*capOnBattery, *batteryCap, static_cast<int>(*lowBattery),
                         *offInLowPower, *thermal};
}

}  // namespace vesperine
