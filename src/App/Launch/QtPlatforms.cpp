#include "App/Launch/QtPlatforms.h"

#include <string_view>

namespace vesperine::QtPlatforms {

namespace {

// Whether the list of platforms (each may carry ":arguments") names `platform`.
bool names(std::string_view list, std::string_view platform) {
    while (!list.empty()) {
        const auto end = list.find(';');
        const auto entry = list.substr(0, end);
        if (entry.substr(0, entry.find(':')) == platform) return true;
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace

std::string toTry(const char* requested, bool wayland) {
    std::string list = requested && *requested ? requested : wayland ? "wayland;xcb" : "xcb";
    if (!names(list, lastResort)) list += std::string(";") + lastResort;
    return list;
}

bool showsWindows(const std::string& started, const char* requested) {
    return started != lastResort || names(requested ? requested : "", lastResort);
}

}  // namespace vesperine::QtPlatforms
