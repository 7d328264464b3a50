#pragma once

#include "Platform/Logger.h"
#include "Platform/SystemEventObservers.h"
#include "Platform/X11/X11Connection.h"

namespace vesperine {

// What the X server says about the session: a change of the current desktop (the window
// manager's _NET_CURRENT_DESKTOP on the root window, EWMH) is a change of space. Screens
// waking, screen parameters (RandR changes arrive as display reconfigurations), clock,
// time zone and sleep are not the display server's to report.
class X11SystemEvents final : public SystemEvents {
public:
    X11SystemEvents(X11Connection& connection, Logger& logger);

    bool canObserve(SystemEvent event) const override;
    Handle observe(SystemEvent event, std::function<void()> callback) override;

private:
    void onEvent(const XEvent& event);

    X11Connection& connection_;
    Log log_;
    unsigned long currentDesktop_ = 0;  // the atom
    SystemEventObservers observers_;
    Handle listener_;
};

}  // namespace vesperine
