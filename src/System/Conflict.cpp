#include "System/Conflict.h"

namespace vesperine {

Conflict Conflict::app(std::string name, std::string bundleID) {
    return Conflict(Kind::app, std::move(name), std::move(bundleID));
}

Conflict Conflict::nightLight() {
    return Conflict(Kind::nightLight, {}, {});
}

Conflict Conflict::foreignGamma() {
    return Conflict(Kind::foreignGamma, {}, {});
}

std::string Conflict::id() const {
    switch (kind_) {
        case Kind::app: return "app:" + bundleID_;
        case Kind::nightLight: return "nightLight";
        case Kind::foreignGamma: return "foreignGamma";
    }
    return {};
}

std::string Conflict::message(std::string_view appName) const {
    switch (kind_) {
        case Kind::app:
            return name_ + " is running and will fight " + std::string(appName) +
                   " over the display.";
        case Kind::nightLight:
            return "Night Light is on and will tint the screen on top of " +
                   std::string(appName) + ".";
        case Kind::foreignGamma: return "Another app is changing the display's colours.";
    }
    return {};
}

std::optional<std::string> Conflict::fixTitle() const {
    switch (kind_) {
        case Kind::app: return "Quit " + name_;
        case Kind::nightLight: return "Turn Off Night Light";
        case Kind::foreignGamma: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace vesperine
