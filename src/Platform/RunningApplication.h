#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesperine {

// An application with windows on the desktop, as the workspace sees it.
struct RunningApplication {
    // What identifies the application across runs: on Linux its desktop-file id
    // ("org.gnome.Totem", "vlc"), else the best name the platform found for it (the
    // executable, for instance). Absent when the platform found nothing at all.
    std::optional<std::string> bundleID;
    // The name people know it by, in the user's language; absent when none is known.
    std::optional<std::string> name;
    // Its process, 0 when unknown (a window of another machine, or one that names none).
    std::int64_t processID = 0;

    bool operator==(const RunningApplication&) const = default;
};

}  // namespace vesperine
