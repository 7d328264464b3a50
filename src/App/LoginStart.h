#pragma once

#include <string_view>

namespace vesperine {

// Whether the session started this process at login (its autostart entry) rather than the
// user (the application grid, a terminal): a start at login opens no window by itself.
namespace LoginStart {

// `cgroup`: /proc/self/cgroup's text; systemd's autostart generator runs each autostart
// entry as a unit "app-<entry>@autostart.service". `autostartId`: DESKTOP_AUTOSTART_ID,
// which session managers without it give the programs they autostart (null when unset).
bool bySession(std::string_view cgroup, const char* autostartId);

}  // namespace LoginStart

}  // namespace vesperine
