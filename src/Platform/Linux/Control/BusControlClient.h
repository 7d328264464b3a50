#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "App/ControlStatus.h"
#include "Schedule/Location.h"
#include "Platform/Linux/Control/ControlBusNames.h"
#include "Platform/Scheduler.h"
#include "Support/Result.h"

struct sd_bus;

namespace vesperine {

// The other end of BusControlService, for a command run from a terminal or a key binding:
// a blocking connection to the session bus that calls the running instance's control
// methods and reads its status. No main loop; the connection, and then every call, gives up
// after `patience`, so a stopped instance or bus daemon costs that long at most.
class BusControlClient {
public:
    // Connects to the session bus (DBUS_SESSION_BUS_ADDRESS applies); fails, saying why,
    // where there is none or it does not answer.
    static Result<std::unique_ptr<BusControlClient>> open(const ControlBusNames& names,
                                                          Duration patience);
    ~BusControlClient();
    BusControlClient(const BusControlClient&) = delete;
    BusControlClient& operator=(const BusControlClient&) = delete;

    // The process that owns the instance's name; none when nobody does. Fails (with words
    // that follow "the session bus") when the bus could not be asked.
    Result<std::optional<pid_t>> ownerProcess();

    // The control methods; each fails with the instance's own words (a strength out of
    // range, say) or with why the call went unanswered, as words that follow "it".
    Status activate() { return call("Activate", ""); }
    Status select(const std::string& kind, const std::string& lifetime);
    Status setStrength(const std::string& kind, double strength);
    Status resume() { return call("Resume", ""); }
    Status reset() { return call("Reset", ""); }
    Status setLocation(const Location& location);
    Status clearLocation() { return call("ClearLocation", ""); }
    Result<ControlStatus> status();
    // Whether the last call that failed was sent and not answered in time: the instance may
    // still carry it out.
    bool lastCallTimedOut() const { return timedOut_; }

private:
    BusControlClient(sd_bus* bus, ControlBusNames names, Duration patience)
        : bus_(bus), names_(std::move(names)), patience_(patience) {}
    Status call(const char* method, const char* signature, ...);
    // Why a call failed with `r`, and the bus error's name and message (either may be null).
    Error describe(const char* name, const char* message, int r);

    sd_bus* bus_;
    ControlBusNames names_;
    Duration patience_;
    bool timedOut_ = false;
};

}  // namespace vesperine
