#pragma once

#include <functional>
#include <memory>
#include <string>

#include "App/RemoteControl.h"
#include "Platform/Linux/BusConnection.h"
#include "Platform/Linux/ControlBusNames.h"
#include "Platform/Logger.h"
#include "Support/Observable.h"


namespace vesperine {

// The running instance's control object on the session bus (see ControlBusNames and
// data/dbus/<interface>.xml): its methods call the RemoteControl's operations one to one,
// and its read-only properties mirror the RemoteControl's status, each change announced
// with PropertiesChanged. It also takes the requests of later launches (Activate, Reset),
// so a second start reaches the first one here first; the instance lock stays the guarantee
// of one instance. Owns the bus name while it lives. `bus`, `control` and `logger` must
// outlive it.
class BusControlService {
public:
    // Publishes the object and asks for the name; fails (saying why) when the name is
    // taken or the bus refuses. `onActivate` runs for Activate.
    static Result<std::unique_ptr<BusControlService>> publish(BusConnection& bus,
                                                              const ControlBusNames& names,
                                                              RemoteControl& control,
                                                              std::function<void()> onActivate,
                                                              Logger& logger);
    ~BusControlService();
    BusControlService(const BusControlService&) = delete;
    BusControlService& operator=(const BusControlService&) = delete;

private:
    friend struct ControlBusVtable;

    BusControlService(BusConnection& bus, ControlBusNames names, RemoteControl& control,
                      std::function<void()> onActivate, Logger& logger);
    // The properties whose values differ between the two, by their bus names.
    void announce(const ControlStatus& before, const ControlStatus& after);

    BusConnection& bus_;
    ControlBusNames names_;
    RemoteControl& control_;
    std::function<void()> onActivate_;
    Log log_;
    ControlStatus shown_;
    sd_bus_slot* slot_ = nullptr;
    bool ownsName_ = false;
    Subscription watch_;
};

}  // namespace vesperine
