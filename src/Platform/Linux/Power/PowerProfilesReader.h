#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/DBus/BusProperties.h"
#include "Platform/LogOnce.h"
#include "Support/Alive.h"

namespace vesperine {

// Low Power Mode as the power-profiles daemon on the system bus has it: on while its active
// profile is "power-saver". The daemon is known under two names, the current
// org.freedesktop.UPower.PowerProfiles and the older net.hadess.PowerProfiles (recent
// daemons own both); the current name is preferred whenever it answers.
//
// The profile is read once when a name gains an owner and then kept from PropertiesChanged,
// so `lowPowerMode()` never waits. Without the daemon, or with a profile that is not text,
// Low Power Mode reads as off; each such failure is logged once.
class PowerProfilesReader {
public:
    // `onChange` runs on the main loop whenever `lowPowerMode()` changes.
    PowerProfilesReader(BusConnection& systemBus, Logger& logger, std::function<void()> onChange,
                        Duration timeout = std::chrono::seconds(2));
    PowerProfilesReader(const PowerProfilesReader&) = delete;
    PowerProfilesReader& operator=(const PowerProfilesReader&) = delete;

    bool lowPowerMode() const { return lowPowerMode_; }

private:
    struct Endpoint {
        const char* name = nullptr;
        const char* path = nullptr;
        std::optional<std::string> profile;  // what it said last; none when not answering
        std::uint64_t generation = 0;
        Handle owner, changes, call;
    };

    void watch(Endpoint& endpoint);
    void read(Endpoint& endpoint);
    void apply(Endpoint& endpoint, const BusProperties::Value& value);
    void update();

    BusConnection& bus_;
    LogOnce log_;
    std::function<void()> onChange_;
    Duration timeout_;
    std::array<Endpoint, 2> endpoints_;
    bool lowPowerMode_ = false;
    Handle loss_;
    Alive alive_;
};

}  // namespace vesperine
