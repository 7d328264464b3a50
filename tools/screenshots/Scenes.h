// Scenes for the screenshot tool: each file of scenes enrols a function that adds its
// scenes, and the tool renders every scene in light and dark at the scale it runs with.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ViewWorld.h"

namespace vesperine {

class Scenes {
public:
    // Builds the widget to render from a fresh, started world (set it up first as needed).
    using Make = std::function<std::unique_ptr<QWidget>(ViewWorld&)>;
    struct Scene {
        std::string name;  // the file name's stem: "settings-general"
        Make make;
    };

    void add(std::string name, Make make) { scenes_.push_back({std::move(name), std::move(make)}); }
    const std::vector<Scene>& all() const { return scenes_; }

    // The functions that add scenes, one per file of scenes (see VESPERINE_SCENES).
    static std::vector<void (*)(Scenes&)>& enrolled() {
        static std::vector<void (*)(Scenes&)> functions;
        return functions;
    }
    static bool enrol(void (*function)(Scenes&)) {
        enrolled().push_back(function);
        return true;
    }

private:
    std::vector<Scene> scenes_;
};

}  // namespace vesperine

// VESPERINE_SCENES(addSettingsScenes) { scenes.add(...); } in a file of scenes.
#define VESPERINE_SCENES(function)                                        \
    static void function(::vesperine::Scenes& scenes);                    \
    [[maybe_unused]] static const bool function##Enrolled =               \
        ::vesperine::Scenes::enrol(&function);                            \
    static void function(::vesperine::Scenes& scenes)
