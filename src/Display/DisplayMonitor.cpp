#include "Display/DisplayMonitor.h"

namespace vesperine {

namespace {

constexpr DisplayMonitor::Event allEvents[] = {
    DisplayMonitor::Event::reconfigured,     DisplayMonitor::Event::wake,
    DisplayMonitor::Event::screensWake,      DisplayMonitor::Event::spaceChanged,
    DisplayMonitor::Event::screenParameters, DisplayMonitor::Event::clockChanged,
    DisplayMonitor::Event::timeZoneChanged};

struct Observed {
    SystemEvent source;
    DisplayMonitor::Event event;
};
constexpr Observed observed[] = {
    {SystemEvent::wake, DisplayMonitor::Event::wake},
    {SystemEvent::screensWake, DisplayMonitor::Event::screensWake},
    {SystemEvent::spaceChanged, DisplayMonitor::Event::spaceChanged},
    {SystemEvent::screenParameters, DisplayMonitor::Event::screenParameters},
    {SystemEvent::clockChanged, DisplayMonitor::Event::clockChanged},
    {SystemEvent::timeZoneChanged, DisplayMonitor::Event::timeZoneChanged},
};

}  // namespace

const char* DisplayMonitor::rawValue(Event event) {
    switch (event) {
        case Event::reconfigured:
            return "reconfigured";
        case Event::wake:
            return "wake";
        case Event::screensWake:
            return "screensWake";
        case Event::spaceChanged:
            return "spaceChanged";
        case Event::screenParameters:
            return "screenParameters";
        case Event::clockChanged:
            return "clockChanged";
        case Event::timeZoneChanged:
            return "timeZoneChanged";
    }
    return "reconfigured";
}

std::optional<DisplayMonitor::Event> DisplayMonitor::eventFromRawValue(std::string_view raw) {
    for (auto event : allEvents) {
        if (raw == rawValue(event)) return event;
    }
    return std::nullopt;
}

DisplayMonitor::DisplayMonitor(DisplayEvents& displayEvents, SystemEvents& systemEvents,
                               Scheduler& scheduler, Logger& logger)
    : displayEvents_(displayEvents),
      systemEvents_(systemEvents),
      scheduler_(scheduler),
      log_(logger, "monitor") {}

void DisplayMonitor::start() {
    for (const auto& entry : observed) {
        if (!systemEvents_.canObserve(entry.source)) {
            log_.debug("display event %s cannot be observed on this system", rawValue(entry.event));
            continue;
        }
        observers_.push_back(systemEvents_.observe(
            entry.source, alive_.guard([this, event = entry.event] { emit(event); })));
    }
    auto registration =
        displayEvents_.registerReconfiguration(alive_.guard([this](DisplayID, std::uint32_t flags) {
            if (flags & DisplayEvents::beginConfigurationFlag) return;
            reconfigured();
        }));
    if (registration) {
        reconfiguration_ = std::move(registration).value();
    } else {
        log_.error("Couldn't register for display reconfiguration: %s",
                   registration.error().description.c_str());
    }
}

void DisplayMonitor::stop() {
    observers_.clear();
    reconfiguration_.cancel();
    pendingReconfigure_.cancel();
}

void DisplayMonitor::reconfigured() {
    pendingReconfigure_ = scheduler_.oneShot(std::chrono::milliseconds(500),
                                             alive_.guard([this] { emit(Event::reconfigured); }));
}

void DisplayMonitor::emit(Event event) {
    log_.info("display event: %s", rawValue(event));
    if (onEvent) onEvent(event);
}

}  // namespace vesperine
