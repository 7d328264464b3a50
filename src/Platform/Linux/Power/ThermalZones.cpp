#include "Platform/Linux/Power/ThermalZones.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "Platform/Linux/Power/SysfsAttribute.h"

namespace vesperine::ThermalZones {

namespace {

std::vector<std::string> zones(const std::string& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.rfind("thermal_zone", 0) == 0) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<ThermalState> stateOfTrip(const std::string& type) {
    if (type == "active") return ThermalState::fair;
    if (type == "passive") return ThermalState::serious;
    if (type == "hot" || type == "critical") return ThermalState::critical;
    return std::nullopt;
}

}  // namespace

Reading read(const std::string& root) {
    Reading reading;
    for (const auto& name : zones(root)) {
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
