#pragma once

#include <string>

namespace vesperine {

// Where the running instance answers on the session bus, all derived from the bundle
// identifier so that a renamed build never answers for another: the bus name is the
// identifier itself, the object path its words as path elements, and the interface the
// identifier followed by ".Control" ("com.brevan.vesperine", "/com/brevan/vesperine",
// "com.brevan.vesperine.Control"). data/dbus/<interface>.xml describes the interface.
struct ControlBusNames {
    std::string name;
    std::string path;
    std::string interface;

    static ControlBusNames of(const std::string& bundleIdentifier) {
        std::string path = "/" + bundleIdentifier;
        for (char& c : path) {
            if (c == '.') c = '/';
            // An object path takes letters, digits and underscores between its slashes.
            else if (c == '-') c = '_';
        }
        return {bundleIdentifier, path, bundleIdentifier + ".Control"};
    }
};

}  // namespace vesperine
