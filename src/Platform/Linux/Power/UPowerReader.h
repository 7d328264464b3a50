#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "Platform/Linux/DBus/BusServiceReader.h"
#include "Platform/LogOnce.h"
#include "Support/Alive.h"

namespace vesperine {

// The power supply as the UPower daemon on the system bus reports it. An internal battery is
// a UPower device of type battery that powers the machine (PowerSupply true); peripherals'
// batteries (mice, headsets) have PowerSupply false and a UPS has another type.
//
// With an internal battery: on battery while the daemon's OnBattery is true (or, should
// OnBattery be missing or of the wrong type, while the display device is discharging, empty
// or about to discharge); the charge is the display device's Percentage, truncated to whole
// percent, when the display device is a battery. Without one: not on battery, no charge.
//
// Everything is heard as events (PropertiesChanged of the daemon and of the display device,
// DeviceAdded, DeviceRemoved, the daemon starting and stopping) and cached, so `reading()`
// never waits; the daemon itself is followed through BusServiceReader. Calls are asynchronous
// and bounded by `timeout`. A reading is published only once every call of a round has been
// answered, so a half-known state (the daemon's flag without its devices) never shows. Values
// of the wrong type are left out and logged once.
class UPowerReader {
public:
    struct Reading {
        bool onBattery = false;
        std::optional<int> percent;
        bool operator==(const Reading&) const = default;
    };

    // `onChange` runs on the main loop whenever `reading()` changes.
    UPowerReader(BusConnection& systemBus, Scheduler& scheduler, Logger& logger,
                 std::function<void()> onChange, Duration timeout = std::chrono::seconds(2));
    UPowerReader(const UPowerReader&) = delete;
    UPowerReader& operator=(const UPowerReader&) = delete;

    // What UPower said last; none while it has not answered, is not running, or the bus is
    // gone.
    const std::optional<Reading>& reading() const { return reading_; }

private:
    struct Device {
        std::optional<std::uint32_t> type;
        bool powerSupply = false;
    };
    using Handler = std::function<void(sd_bus_message* reply, const std::string& error)>;

    void daemonChanged();
    void startRound();
    void forget();
    void clear();
    void send(const std::string& member, const std::string& path, const char* interface,
              const BusConnection::Writer& arguments, Handler onReply);
    void getAll(const std::string& path, const char* interface, Handler onReply);
    void addDevice(const std::string& path);
    void applyDaemon(const BusProperties::Map& properties);
    void applyDisplay(const BusProperties::Map& properties);
    std::optional<std::uint32_t> number(const BusProperties::Map& properties, const char* name,
                                        const std::string& owner);
    void answered();
    void update();
    Reading compute() const;

    BusConnection& bus_;
    LogOnce log_;
    std::function<void()> onChange_;

    std::optional<bool> onBattery_;
    std::optional<std::uint32_t> displayType_;
    std::optional<std::uint32_t> displayState_;
    std::optional<double> displayPercentage_;
    std::map<std::string, Device> devices_;
    bool running_ = false;
    int outstanding_ = 0;  // calls of the current round not yet answered
    std::uint64_t generation_ = 0;
    std::optional<Reading> reading_;

    std::map<std::uint64_t, Handle> calls_;
    std::uint64_t nextCall_ = 0;
    Handle added_, removed_, displayChanges_;
    BusServiceReader daemon_;
    Alive alive_;
};

}  // namespace vesperine
