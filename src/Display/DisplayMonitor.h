#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "Platform/DisplayServices.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Platform/SystemEvents.h"
#include "Support/Alive.h"

namespace vesperine {

// Reports display and system events to the application. A burst of reconfiguration callbacks
// becomes one `reconfigured` event, 0.5 s after the last of them.
class DisplayMonitor {
  public:
    enum class Event {
        reconfigured,
        wake,
        screensWake,
        spaceChanged,
        screenParameters,
        clockChanged,
        timeZoneChanged
    };
    static const char* rawValue(Event event);
    static std::optional<Event> eventFromRawValue(std::string_view raw);

    DisplayMonitor(DisplayEvents& displayEvents, SystemEvents& systemEvents, Scheduler& scheduler,
                   Logger& logger);

    std::function<void(Event)> onEvent;

    void start();
    void stop();
    bool callbackRegistered() const { return reconfiguration_.isActive(); }

  private:
    void reconfigured();
    void emit(Event event);

    DisplayEvents& displayEvents_;
    SystemEvents& systemEvents_;
    Scheduler& scheduler_;
    Log log_;
    std::vector<Handle> observers_;
    Handle reconfiguration_;
    Timer pendingReconfigure_;
    Alive alive_;
};

}  // namespace vesperine
