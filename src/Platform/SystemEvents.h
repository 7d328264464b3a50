#pragma once

#include <functional>
#include <string>

#include "Support/Handle.h"

namespace vesperine {

// System notifications the display output reacts to.
enum class SystemEvent {
    wake,
    screensWake,
    spaceChanged,
    screenParameters,
    clockChanged,
    timeZoneChanged
};

// Delivers system notifications on the main loop. A platform that cannot observe an event
// says so through `canObserve` (and the monitor logs it) rather than pretending.
class SystemEvents {
  public:
    virtual ~SystemEvents() = default;
    virtual bool canObserve(SystemEvent event) const = 0;
    [[nodiscard]] virtual Handle observe(SystemEvent event, std::function<void()> callback) = 0;
};

}  // namespace vesperine
