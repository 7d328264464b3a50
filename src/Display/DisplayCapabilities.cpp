#include "Display/DisplayCapabilities.h"

namespace vesperine::DisplayCapabilities {

DisplayInfo info(const PlatformScreen& screen) {
    return {screen.id, screen.name, screen.isBuiltin, screen.maximumPotentialHeadroom > 1.0,
            screen.currentHeadroom};
}

std::vector<DisplayInfo> all(const DisplayList& list) {
    std::vector<DisplayInfo> result;
    for (const auto& screen : list.screens()) result.push_back(info(screen));
    return result;
}

DisplayLayout layout(const DisplayList& list) {
    DisplayLayout result;
    for (const auto& screen : list.screens())
        result.screens.push_back({screen.id, screen.frame, screen.scale});
    return result;
}

std::optional<PlatformScreen> screen(const DisplayList& list, DisplayID id) {
    for (const auto& screen : list.screens()) {
        if (screen.id == id) return screen;
    }
    return std::nullopt;
}

}  // namespace vesperine::DisplayCapabilities
