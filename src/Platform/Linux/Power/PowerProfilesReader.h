#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Linux/DBus/BusServiceReader.h"
#include "Platform/LogOnce.h"

namespace vesperine {

// Low Power Mode as the power-profiles daemon on the system bus has it: on while its active
// profile is "power-saver". The daemon is known under two names, the current
// org.freedesktop.UPower.PowerProfiles and the older net.hadess.PowerProfiles (recent
// daemons own both); the current name is preferred whenever it answers.
//
// Each name is followed through BusServiceReader: read once when it gains an owner and then
// kept from PropertiesChanged, so `lowPowerMode()` never waits. Without the daemon, or with a profile that is not text,
// Low Power Mode reads as off; each such failure is logged once.
class PowerProfilesReader {
public:
    // `onChange` runs on the main loop whenever `lowPowerMode()` changes.
    PowerProfilesReader(BusConnection& systemBus, Scheduler& scheduler, Logger& logger,
                        std::function<void()> onChange, Duration timeout = std::chrono::seconds(2));
    ~PowerProfilesReader();
    PowerProfilesReader(const PowerProfilesReader&) = delete;
    PowerProfilesReader& operator=(const PowerProfilesReader&) = delete;

    bool lowPowerMode() const { return lowPowerMode_; }

private:
    // One name of the daemon, followed on its own: the current one stands while it answers.
    struct Endpoint {
        std::string name;
        std::optional<std::string> profile;  // what it said last; none when not answering
        std::unique_ptr<BusServiceReader> reader;
    };

    void apply(Endpoint& endpoint, const BusProperties::Value& value);
    void update();

    LogOnce log_;
    std::function<void()> onChange_;
    std::array<Endpoint, 2> endpoints_;
    bool lowPowerMode_ = false;
};

}  // namespace vesperine
