#pragma once

#include <functional>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Logger.h"

namespace vesperine {

// Hears of the machine waking from sleep: the login manager's "PrepareForSleep" signal with
// false, on the system bus. Calls `onWake` on the main loop. Once the bus is lost nothing is
// heard any more; that is logged once in the "monitor" category and nothing stands in for it.
class SleepWatch {
public:
    SleepWatch(BusConnection& systemBus, Logger& logger, std::function<void()> onWake);

    // False once the bus connection has failed; no wake is heard after that.
    bool isConnected() const { return bus_.isConnected(); }

private:
    BusConnection& bus_;
    Log log_;
    std::function<void()> onWake_;
    Handle signal_;
    Handle loss_;
};

}  // namespace vesperine
