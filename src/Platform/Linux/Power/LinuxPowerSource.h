#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/LogOnce.h"
#include "Platform/Linux/Power/PowerProfilesReader.h"
#include "Platform/Linux/Power/PowerSupplyWatch.h"
#include "Platform/Linux/Power/ThermalWatch.h"
#include "Platform/Linux/Power/UPowerReader.h"
#include "Platform/PowerSource.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// The machine's power on Linux, put together from three sources:
// - the power supply from UPower on the system bus; while UPower has not answered (not
//   installed, not running, slow, or no system bus) from /sys/class/power_supply, followed
//   through the kernel's power-supply events and read every minute while on battery
//   (PowerSupplyWatch, which stops while UPower answers);
// - Low Power Mode from the power-profiles daemon ("power-saver"); off without it;
// - the thermal state from the kernel's thermal zones against their trip points.
// Each reader caches what it last heard, so `current()` sends nothing on the bus. Every source
// that cannot be had is logged once and reads as PowerInputs' default.
class LinuxPowerSource final : public PowerSource {
public:
    struct Options {
        PowerSupplyWatch::Options powerSupply;
        ThermalWatch::Options thermal;
        Duration busTimeout = std::chrono::seconds(2);  // bound of every D-Bus call
    };

    // `systemBus` may be null (no system bus here). Everything given is borrowed and must
    // outlive this object.
    LinuxPowerSource(BusConnection* systemBus, IoWatcher& loop, Scheduler& scheduler,
                     Logger& logger, Options options);
    LinuxPowerSource(BusConnection* systemBus, IoWatcher& loop, Scheduler& scheduler, Logger& logger)
        : LinuxPowerSource(systemBus, loop, scheduler, logger, Options{}) {}
    LinuxPowerSource(const LinuxPowerSource&) = delete;
    LinuxPowerSource& operator=(const LinuxPowerSource&) = delete;

    PowerInputs current() override;
    Handle observe(std::function<void()> onChange) override;

    const ThermalWatch& thermal() const { return *thermal_; }
    // The files' watch, while UPower has not answered; none while it does.
    const PowerSupplyWatch* powerSupplyFiles() const { return supplies_.get(); }

private:
    void followSupplies();
    void changed();

    Options options_;
    LogOnce log_;
    std::map<std::uint64_t, std::function<void()>> observers_;
    std::uint64_t nextObserver_ = 0;
    IoWatcher& loop_;
    Scheduler& scheduler_;
    Logger& logger_;
    std::unique_ptr<UPowerReader> upower_;
    std::unique_ptr<PowerSupplyWatch> supplies_;
    std::unique_ptr<PowerProfilesReader> profiles_;
    std::unique_ptr<ThermalWatch> thermal_;
    Alive alive_;
};

}  // namespace vesperine
