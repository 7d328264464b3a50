#pragma once

#include <string>

namespace vesperine {

// Which file this process runs from.
struct RunningProgram {
    // The executable of this process (/proc/self/exe), or, when it runs inside a mounted
    // AppImage, the image file the user started ($APPIMAGE).
    static std::string path();

    // The choice `path` makes, from the link's target and the variable (null when unset).
    // The kernel marks a replaced executable " (deleted)"; that mark is dropped.
    static std::string choose(std::string executable, const char* appImage);
};

}  // namespace vesperine
