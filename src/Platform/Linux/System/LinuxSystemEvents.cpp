#include "Platform/Linux/System/LinuxSystemEvents.h"

namespace vesperine {

LinuxSystemEvents::LinuxSystemEvents(IoWatcher& loop, BusConnection* systemBus, Logger& logger,
                                     Options options)
    : log_(logger, "monitor") {
    if (auto clock = ClockChangeWatch::start(
            loop, [this] { observers_.notify(SystemEvent::clockChanged); })) {
        clock_ = std::move(clock).value();
    } else {
        log_.error("Clock changes cannot be observed: %s", clock.error().description.c_str());
    }
    if (auto zone = TimeZoneWatch::start(loop, options.zoneDirectory, options.zoneFiles, [this] {
            observers_.notify(SystemEvent::timeZoneChanged);
        })) {
        zone_ = std::move(zone).value();
    } else {
        log_.error("Time-zone changes cannot be observed: %s", zone.error().description.c_str());
    }
    if (systemBus && systemBus->isConnected()) {
        sleep_ = std::make_unique<SleepWatch>(*systemBus, logger,
                                              [this] { observers_.notify(SystemEvent::wake); });
    } else {
        log_.debug("Wake from sleep cannot be observed: there is no system bus");
    }
}

bool LinuxSystemEvents::canObserve(SystemEvent event) const {
    switch (event) {
        case SystemEvent::clockChanged:
            return clock_ != nullptr;
        case SystemEvent::timeZoneChanged:
            return zone_ != nullptr;
        case SystemEvent::wake:
            return sleep_ != nullptr && sleep_->isConnected();
        case SystemEvent::screensWake:
        case SystemEvent::spaceChanged:
        case SystemEvent::screenParameters:
            return false;
    }
    return false;
}

Handle LinuxSystemEvents::observe(SystemEvent event, std::function<void()> callback) {
    if (!canObserve(event)) return {};
    return observers_.add(event, std::move(callback));
}

}  // namespace vesperine
