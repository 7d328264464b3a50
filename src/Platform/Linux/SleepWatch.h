#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Logger.h"
#include "Support/Result.h"

struct sd_bus;
struct sd_bus_slot;

namespace vesperine {

// Hears of the machine waking from sleep: the login manager's "PrepareForSleep" signal with
// false, on the system bus. Calls `onWake` on the main loop. Fails (and hears nothing) where
// there is no system bus or no way to subscribe; nothing stands in for it then.
class SleepWatch {
public:
    // `busAddress` empty: the system bus; otherwise a D-Bus address (tests use a private bus).
    // A connection lost later is logged in `logger`'s "monitor" category.
    static Result<std::unique_ptr<SleepWatch>> start(IoWatcher& loop, const std::string& busAddress,
                                                     Logger& logger, std::function<void()> onWake);
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

    // False once the bus connection has failed; no wake is heard after that.
    bool isConnected() const { return connected_; }

private:
    SleepWatch(sd_bus* bus, Logger& logger, std::function<void()> onWake);
    friend struct SleepSignal;  // the bus's callback, which needs its own header's types
    void prepareForSleep(bool starting);
    void readable();

    sd_bus* bus_;
    sd_bus_slot* slot_ = nullptr;
    Log log_;
    std::function<void()> onWake_;
    bool connected_ = true;
    IoWatch watch_;
};

}  // namespace vesperine
