#pragma once

#include <functional>
#include <memory>
#include <string>

#include "App/RemoteControl.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Control/ControlBusNames.h"
#include "Platform/Logger.h"
#include "Support/Observable.h"


namespace vesperine {

// The running instance's control object on the session bus (see ControlBusNames and
// data/dbus/<interface>.xml): its methods call the RemoteControl's operations one to one,
// and its read-only properties mirror the RemoteControl's status, each change announced
// with PropertiesChanged. Later launches reach the instance through the instance lock's
// socket, never here: the lock is the guarantee of one instance. Owns the bus name while it
// lives (from when it is free). `bus`, `control` and `logger` must
// outlive it.
class BusControlService {
public:
    // Publishes the object and asks for the name; fails (saying why) when the bus refuses.
    // A name another process holds is logged with that process and taken once it is free.
    // `onActivate` runs for Activate.
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
    bool queued_ = false;    // asked for the name: it is ours, or will be once free
    bool ownsName_ = false;
    Handle acquired_;
    Subscription watch_;
};

}  // namespace vesperine
