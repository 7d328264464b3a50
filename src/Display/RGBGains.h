#pragma once

namespace vesperine {

// Per-channel multipliers of a display's transfer table; 1.0 leaves a channel unchanged.
// Equality is exact; use isNeutral() to ask "does this change the image?".
struct RGBGains {
    double r = 1.0;
    double g = 1.0;
    double b = 1.0;

    static constexpr double neutralTolerance = 0.0001;

    static constexpr RGBGains neutral() { return {1.0, 1.0, 1.0}; }

    // Each channel strictly within 0.0001 of 1.
    bool isNeutral() const;
    // Channel by channel a + t × (other − a); t is not clamped.
    RGBGains lerp(const RGBGains& other, double t) const;
    RGBGains operator*(double factor) const { return {r * factor, g * factor, b * factor}; }

    bool operator==(const RGBGains&) const = default;
};

}  // namespace vesperine
