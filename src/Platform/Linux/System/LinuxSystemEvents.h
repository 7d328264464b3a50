#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/IoWatcher.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/System/ClockChangeWatch.h"
#include "Platform/Linux/System/SleepWatch.h"
#include "Platform/Linux/System/TimeZoneWatch.h"
#include "Platform/Logger.h"
#include "Platform/SystemEventObservers.h"

namespace vesperine {

// What Linux itself says about the machine: clock changes, time-zone changes and wake from
// sleep. Each source that cannot be had here (no system bus, say) is logged once and then
// reported as not observable; none is imitated. Screens waking, spaces and screen parameters
// belong to the display server.
class LinuxSystemEvents final : public SystemEvents {
  public:
    struct Options {
        std::string zoneDirectory = "/etc";
        std::vector<std::string> zoneFiles = {"localtime", "timezone"};
    };

    // `systemBus` may be null (no system bus here): wake is then not observable.
    LinuxSystemEvents(IoWatcher& loop, BusConnection* systemBus, Logger& logger, Options options);
    LinuxSystemEvents(IoWatcher& loop, BusConnection* systemBus, Logger& logger)
        : LinuxSystemEvents(loop, systemBus, logger, Options{}) {}

    bool canObserve(SystemEvent event) const override;
    Handle observe(SystemEvent event, std::function<void()> callback) override;

  private:
    Log log_;
    SystemEventObservers observers_;
    std::unique_ptr<ClockChangeWatch> clock_;
    std::unique_ptr<TimeZoneWatch> zone_;
    std::unique_ptr<SleepWatch> sleep_;
};

}  // namespace vesperine
