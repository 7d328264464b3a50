#include "Platform/Linux/Process/ProcessSession.h"

#include <systemd/sd-login.h>

#include <cstdlib>
#include <optional>

namespace vesperine {

namespace {

// "host:number[.screen]" without its screen, the local host's names written as none: ":0",
// ":0.0" and "unix:0" are one display; "localhost:10" (TCP, as ssh forwards it) is another.
std::string normalisedDisplay(std::string_view display) {
    const auto colon = display.rfind(':');
    if (colon == std::string_view::npos || colon + 1 >= display.size()) return {};
    std::string_view host = display.substr(0, colon);
    std::string_view number = display.substr(colon + 1);
    if (const auto dot = number.find('.'); dot != std::string_view::npos) {
        number = number.substr(0, dot);
    }
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
        return {};
    }
    if (host == "unix") host = {};
    return std::string(host) + ":" + std::string(number);
}

// A relative WAYLAND_DISPLAY names a socket in the process's runtime folder.
std::string waylandSocketPath(std::string_view name, std::string_view runtimeFolder) {
    if (name.empty()) return {};
    if (name.front() == '/') return std::string(name);
    if (runtimeFolder.empty()) return {};
    return std::string(runtimeFolder) + "/" + std::string(name);
}

ProcessSession make(std::string loginSession, std::string_view display, std::string_view wayland,
                    std::string_view runtimeFolder) {
    return {std::move(loginSession), normalisedDisplay(display),
            waylandSocketPath(wayland, runtimeFolder)};
}

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

ProcessSession ProcessSession::ofThisProcess() {
    return make(loginSessionOf(0), variable("DISPLAY"), variable("WAYLAND_DISPLAY"),
                variable("XDG_RUNTIME_DIR"));
}

ProcessSession ProcessSession::fromEnvironment(std::string_view block, std::string loginSession) {
    // The first of a name counts, as getenv(3) reads it.
    std::optional<std::string_view> display, wayland, runtimeFolder;
    while (!block.empty()) {
        const auto end = block.find('\0');
        const std::string_view entry = block.substr(0, end);
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
        const auto valueOf = [&](std::string_view name) -> std::optional<std::string_view> {
            if (entry.size() > name.size() && entry.starts_with(name) &&
                entry[name.size()] == '=') {
                return entry.substr(name.size() + 1);
            }
            return std::nullopt;
        };
        if (!display) display = valueOf("DISPLAY");
        if (!wayland) wayland = valueOf("WAYLAND_DISPLAY");
        if (!runtimeFolder) runtimeFolder = valueOf("XDG_RUNTIME_DIR");
    }
    return make(std::move(loginSession), display.value_or(""), wayland.value_or(""),
                runtimeFolder.value_or(""));
}

std::string ProcessSession::loginSessionOf(pid_t pid) {
    char* session = nullptr;
    if (::sd_pid_get_session(pid, &session) < 0 || session == nullptr) return {};
    std::string id = session;
    std::free(session);
    return id;
}

bool ProcessSession::sharesDisplaysWith(const ProcessSession& other) const {
    if (!loginSession.empty() && !other.loginSession.empty()) {
        return loginSession == other.loginSession;
    }
    return (!x11Display.empty() && x11Display == other.x11Display) ||
           (!waylandSocket.empty() && waylandSocket == other.waylandSocket);
}

}  // namespace vesperine
