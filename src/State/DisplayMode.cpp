#include "State/DisplayMode.h"

#include <algorithm>
#include <cmath>

#include "Color/Kelvin.h"

namespace vesperine {

namespace {

constexpr const char* caseNames[] = {"bright", "warm", "red", "off"};
constexpr const char* payloadName(DisplayMode::Kind kind) {
    switch (kind) {
        case DisplayMode::Kind::bright: return "level";
        case DisplayMode::Kind::warm: return "kelvin";
        case DisplayMode::Kind::red: return "intensity";
        case DisplayMode::Kind::off: return nullptr;
    }
    return nullptr;
}

}  // namespace

const char* rawValue(DisplayMode::Kind kind) { return caseNames[static_cast<int>(kind)]; }

std::optional<DisplayMode::Kind> kindFromRawValue(std::string_view raw) {
    for (auto kind : allDisplayModeKinds) {
        if (raw == rawValue(kind)) return kind;
    }
    return std::nullopt;
}

const char* label(DisplayMode::Kind kind) {
    switch (kind) {
        case DisplayMode::Kind::bright: return "Bright";
        case DisplayMode::Kind::warm: return "Warm";
        case DisplayMode::Kind::red: return "Red";
        case DisplayMode::Kind::off: return "Off";
    }
    return "Off";
}

double roundHalfAwayFromZero(double value) { return std::round(value); }

DisplayTarget DisplayMode::target() const {
    switch (kind_) {
        case Kind::bright: return {std::max(value_, 1.0), RGBGains::neutral()};
        case Kind::warm: return {1.0, Kelvin::gains(value_)};
        case Kind::red: return {1.0, {std::clamp(value_, 0.2, 1.0), 0.0, 0.0}};
        case Kind::off: return DisplayTarget::off();
    }
    return DisplayTarget::off();
}

std::string DisplayMode::shortDescription() const {
    auto integer = [](double v) {
        // Strengths from a file can be anything; keep the text sane for absurd values.
        if (!std::isfinite(v) || std::abs(v) > 1e15) return std::string(std::isnan(v) ? "?" : "∞");
        return std::to_string(static_cast<long long>(v));
    };
    switch (kind_) {
        case Kind::bright: return "Bright " + integer(roundHalfAwayFromZero(value_ * 100.0)) + "%";
        case Kind::warm: return "Warm " + integer(roundHalfAwayFromZero(value_ / 50.0) * 50.0) + "K";
        case Kind::red: return "Red";
        case Kind::off: return "Off";
    }
    return "Off";
}

std::optional<long long> DisplayMode::shownStrength() const {
    double shown = 0.0;
    switch (kind_) {
        case Kind::bright:
        case Kind::red: shown = roundHalfAwayFromZero(value_ * 100.0); break;
        case Kind::warm: shown = roundHalfAwayFromZero(value_ / 50.0) * 50.0; break;
        case Kind::off: return std::nullopt;
    }
    if (!std::isfinite(shown) || std::abs(shown) > 1e15) return std::nullopt;
    return static_cast<long long>(shown);
}

Json JsonCodec<DisplayMode>::encode(const DisplayMode& mode) {
    const char* inner = payloadName(mode.kind());
    Json payload = Json::object();
    if (inner != nullptr) payload[inner] = mode.strength();
    return Json{{rawValue(mode.kind()), payload}};
}

Result<DisplayMode> JsonCodec<DisplayMode>::decode(const Json& json) {
    auto found = json::singleCase(json, {"off", "bright", "warm", "red"});
    if (!found) return found.error();
    auto kind = *kindFromRawValue(found->name);
    const Json& payload = *found->payload;
    if (kind == DisplayMode::Kind::off) {
        if (!payload.is_object()) return Error{"Expected an object for \"off\"."};
        return DisplayMode::off();
    }
    auto strength = json::number(payload, payloadName(kind));
    if (!strength) return strength.error();
    switch (kind) {
        case DisplayMode::Kind::bright: return DisplayMode::bright(*strength);
        case DisplayMode::Kind::warm: return DisplayMode::warm(*strength);
        default: return DisplayMode::red(*strength);
    }
}

Result<DisplayMode::Kind> JsonCodec<DisplayMode::Kind>::decode(const Json& json) {
    if (!json.is_string()) return Error{"Expected a string for a mode kind."};
    auto kind = kindFromRawValue(json.get<std::string>());
    if (!kind) return Error{"Cannot initialize Kind from invalid String value " + json.get<std::string>()};
    return *kind;
}

}  // namespace vesperine
