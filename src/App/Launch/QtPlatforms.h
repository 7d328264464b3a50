#pragma once

#include <string>

// Which of Qt's platform plugins the program starts its windows on. Qt ends a program whose
// platform cannot start (no DISPLAY without Xwayland, a plugin not installed); this one can
// do its work without windows (the tint, the schedule, the commands), so a last resort
// follows the platforms asked for.
namespace vesperine::QtPlatforms {

// The last resort: Qt's offscreen platform, which always starts and shows nothing.
inline constexpr const char* lastResort = "offscreen";

// The platforms to try, in order, in the form Qt's "-platform" takes (names separated by
// ";"): those QT_QPA_PLATFORM names (`requested`, may be null or empty), else the display
// server's own (on Wayland its own plugin, then X11 through Xwayland; else X11), as Qt
// would choose, and then the last resort unless it was asked for.
std::string toTry(const char* requested, bool wayland);

// Whether the platform Qt started (its name) shows windows: all but the last resort, unless
// that was asked for.
bool showsWindows(const std::string& started, const char* requested);

}  // namespace vesperine::QtPlatforms
