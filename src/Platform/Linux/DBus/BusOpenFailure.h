#pragma once

#include <string>

namespace vesperine {

// Why sd-bus could not connect to the system or the session bus (`result` is its negative
// errno), in words that say where it looked, to follow "Couldn't connect to ": "the session
// bus: nothing listens at /run/user/1000/bus", or that none is named at all (no
// DBUS_SESSION_BUS_ADDRESS and no XDG_RUNTIME_DIR, sd-bus's ENOMEDIUM, whose own text is
// "No medium found").
std::string busOpenFailure(bool system, int result);

}  // namespace vesperine
