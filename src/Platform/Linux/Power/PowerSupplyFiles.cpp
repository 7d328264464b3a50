#include "Platform/Linux/Power/PowerSupplyFiles.h"

#include <cstdint>
#include <limits>

#include "Platform/Linux/Power/SysfsAttribute.h"

namespace vesperine::PowerSupplyFiles {

namespace {

// now × 100 / full, when both are plain counts and full is at least 1.
std::optional<int> ratio(const std::string& folder, const char* now, const char* full) {
    auto current = SysfsAttribute::integer(folder + "/" + now);
    auto maximum = SysfsAttribute::integer(folder + "/" + full);
    if (!current || !maximum || *maximum < 1 || *current < 0) return std::nullopt;
    if (*current > std::numeric_limits<std::int64_t>::max() / 100) return std::nullopt;
    const std::int64_t percent = *current * 100 / *maximum;
    if (percent > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(percent);
}

}  // namespace

Reading read(const std::string& root) {
    Reading reading;
    for (const auto& name : SysfsAttribute::entries(root)) {
        const std::string folder = root + "/" + name;
        if (SysfsAttribute::text(folder + "/type") != "Battery") continue;
        if (SysfsAttribute::text(folder + "/scope") == "Device") continue;
        reading.battery = true;
        auto status = SysfsAttribute::text(folder + "/status");
        if (!status) reading.problems.push_back(name + ": no readable status");
        reading.onBattery = status == "Discharging";

        std::optional<int> percent;
        if (auto capacity = SysfsAttribute::integer(folder + "/capacity")) {
            if (*capacity >= 0 && *capacity <= 100) percent = static_cast<int>(*capacity);
        }
        if (!percent) percent = ratio(folder, "energy_now", "energy_full");
        if (!percent) percent = ratio(folder, "charge_now", "charge_full");
        if (percent) {
            reading.percent = percent;
        } else {
            reading.problems.push_back(name + ": no readable charge (capacity, energy or charge)");
        }
    }
    return reading;
}

}  // namespace vesperine::PowerSupplyFiles
