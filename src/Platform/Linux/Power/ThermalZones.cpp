#include "Platform/Linux/Power/ThermalZones.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "Platform/Linux/Power/SysfsAttribute.h"

namespace vesperine::ThermalZones {

namespace {

std::optional<ThermalState> stateOfTrip(const std::string& type) {
    if (type == "active") return ThermalState::fair;
    if (type == "passive") return ThermalState::serious;
    if (type == "hot" || type == "critical") return ThermalState::critical;
    return std::nullopt;
}

}  // namespace

Reading read(const std::string& root) {
    Reading reading;
    for (const auto& name : SysfsAttribute::entries(root)) {
        if (!name.starts_with("thermal_zone")) continue;
        const std::string folder = root + "/" + name;
        if (SysfsAttribute::text(folder + "/mode") == "disabled") continue;
        auto temperature = SysfsAttribute::integer(folder + "/temp");  // millidegrees Celsius
        if (!temperature) {
            reading.problems.push_back(name + ": no readable temp");
            continue;
        }
        ++reading.zonesRead;
        for (int trip = 0;; ++trip) {
            const std::string prefix = folder + "/trip_point_" + std::to_string(trip);
            auto type = SysfsAttribute::text(prefix + "_type");
            if (!type) break;  // trip points are numbered without gaps
            auto state = stateOfTrip(*type);
            if (!state) continue;
            auto threshold = SysfsAttribute::integer(prefix + "_temp");
            if (!threshold) {
                reading.problems.push_back(name + ": no readable trip_point_" +
                                           std::to_string(trip) + "_temp");
                continue;
            }
            if (*threshold <= 0 || *temperature < *threshold) continue;
            reading.state = std::max(reading.state, *state);
        }
    }
    return reading;
}

}  // namespace vesperine::ThermalZones
