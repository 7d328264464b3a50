#pragma once

#include <memory>
#include <string>

#include "App/ControlStatus.h"
#include "Platform/Linux/ControlBusNames.h"
#include "Platform/Scheduler.h"
#include "Support/Result.h"

struct sd_bus;

namespace vesperine {

// The other end of BusControlService, for a command run from a terminal or a key binding:
// a blocking connection to the session bus that calls the running instance's control
// methods and reads its status. No main loop; every call gives up after `patience`, so a
// stopped instance costs that long at most.
class BusControlClient {
public:
    // Connects to the session bus (DBUS_SESSION_BUS_ADDRESS applies); fails, saying why,
    // where there is none.
    static Result<std::unique_ptr<BusControlClient>> open(const ControlBusNames& names,
                                                          Duration patience);
    ~BusControlClient();
    BusControlClient(const BusControlClient&) = delete;
    BusControlClient& operator=(const BusControlClient&) = delete;

    // Whether some process owns the instance's name (a running instance).
    bool instanceRuns() const;

    // The control methods; each fails with the instance's own words (a strength out of
    // range, say) or with why the call went unanswered.
    Status activate() { return call("Activate", ""); }
    Status select(const std::string& kind, const std::string& lifetime);
    Status setStrength(const std::string& kind, double strength);
    Status resume() { return call("Resume", ""); }
    Status reset() { return call("Reset", ""); }
    Result<ControlStatus> status();

    // Whether a failure said the instance does not know the method (an older version).
    static bool isUnknownMethod(const Error& error);

private:
    BusControlClient(sd_bus* bus, ControlBusNames names) : bus_(bus), names_(std::move(names)) {}
    Status call(const char* method, const char* signature, ...);

    sd_bus* bus_;
    ControlBusNames names_;
};

}  // namespace vesperine
