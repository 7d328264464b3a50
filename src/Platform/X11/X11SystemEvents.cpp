#include "Platform/X11/X11SystemEvents.h"

namespace vesperine {

X11SystemEvents::X11SystemEvents(X11Connection& connection, Logger& logger)
    : connection_(connection), log_(logger, "monitor") {
    if (!connection_.isAlive()) return;
    Display* display = connection_.display();
    X11ErrorTrap trap(display);
    currentDesktop_ = XInternAtom(display, "_NET_CURRENT_DESKTOP", False);
    // Other backends may listen on the root window too: add to this client's mask, never
    // replace it.
    XWindowAttributes attributes{};
    long mask = 0;
    if (XGetWindowAttributes(display, connection_.root(), &attributes))
        mask = attributes.your_event_mask;
    XSelectInput(display, connection_.root(), mask | PropertyChangeMask);
    if (auto status = trap.check(); !status.ok()) {
        log_.error("Couldn't watch the current desktop: %s", status.error().description.c_str());
        currentDesktop_ = 0;
        return;
    }
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
}

bool X11SystemEvents::canObserve(SystemEvent event) const {
    return event == SystemEvent::spaceChanged && currentDesktop_ != 0;
}

Handle X11SystemEvents::observe(SystemEvent event, std::function<void()> callback) {
    if (!canObserve(event)) return {};
    return observers_.add(event, std::move(callback));
}

void X11SystemEvents::onEvent(const XEvent& event) {
    if (event.type != PropertyNotify) return;
    if (event.xproperty.window != connection_.root() || event.xproperty.atom != currentDesktop_)
        return;
    observers_.notify(SystemEvent::spaceChanged);
}

}  // namespace vesperine
