#pragma once

#include <string>
#include <vector>

#include "Platform/DisplayServices.h"

namespace vesperine {

// What the display output needs to know of one display.
struct DisplayInfo {
    DisplayID id = 0;
    std::string name;
    bool isBuiltin = false;
    bool supportsBoost = false;    // can show extended dynamic range at all
    double currentHeadroom = 1.0;  // available now (1.0 = none)
    bool operator==(const DisplayInfo&) const = default;
};

// The screen arrangement: a change of it means tables and triggers must be rebuilt.
struct DisplayLayout {
    struct Screen {
        DisplayID id = 0;
        DisplayFrame frame;
        double scale = 1.0;
        bool operator==(const Screen&) const = default;
    };
    std::vector<Screen> screens;
    bool operator==(const DisplayLayout&) const = default;
};

}  // namespace vesperine
