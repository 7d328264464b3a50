#pragma once

#include <string>

namespace vesperine {

// Why sd-bus could not connect to the system or the session bus (`result` is its negative
// errno), in words that say where it looked: "the session bus: nothing listens at
// /run/user/1000/bus", or that no session bus is named at all (no DBUS_SESSION_BUS_ADDRESS
// and no XDG_RUNTIME_DIR, sd-bus's ENOMEDIUM), instead of the errno's own text.
std::string busOpenFailure(bool system, int result);

}  // namespace vesperine
