#include "Platform/Linux/DBus/BusOpenFailure.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vesperine {

namespace {

// Where sd-bus looks, as it decides (sd_bus_open_system and sd_bus_open_user).
std::string addressOf(bool system) {
    const char* named = std::getenv(system ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS");
    if (named && *named) return named;
    if (system) return "/run/dbus/system_bus_socket";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime ? std::string(runtime) + "/bus" : std::string();
}

}  // namespace

std::string busOpenFailure(bool system, int result) {
    const std::string bus = system ? "the system bus" : "the session bus";
    const int error = -result;
    if (error == ENOMEDIUM && !system)
        return bus + ": none is named here (neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR "
                     "is set)";
    const std::string address = addressOf(system);
    if (error == ENOENT || error == ECONNREFUSED)
        return bus + ": nothing listens at " + (address.empty() ? "its address" : address);
    if (error == EACCES || error == EPERM)
        return bus + ": not allowed to connect to " + (address.empty() ? "it" : address);
    return bus + ": " + std::strerror(error);
}

}  // namespace vesperine
