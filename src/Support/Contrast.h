#pragma once

#include <cstdint>

// How well text reads against what is behind it, by the contrast ratio of the Web Content
// Accessibility Guidelines (WCAG 2.x, "relative luminance" and "contrast ratio"), and the
// colour a text of some tone should take to read well enough.
namespace vesperine::Contrast {

// An opaque sRGB colour, 8 bits a channel.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// What WCAG asks of body text (level AA).
inline constexpr double textMinimum = 4.5;

// From 0 for black to 1 for white.
double relativeLuminance(Rgb colour);
// From 1 (the same luminance) to 21 (black on white), the same either way round.
double ratio(Rgb a, Rgb b);
// `from` moved `fraction` (0 to 1) of the way to `to`, channel by channel.
Rgb mix(Rgb from, Rgb to, double fraction);

// `wanted` where it reads at `minimum` against `background`; else the least mix of it
// towards `strong` (the palette's main text colour, darker than the background in a light
// palette and lighter in a dark one) that does, so the text keeps as much of its tone as it
// can. Where `strong` itself reads worse than `minimum`, the mix goes towards black or
// white, whichever stands out more against the background.
Rgb readable(Rgb wanted, Rgb background, Rgb strong, double minimum = textMinimum);

}  // namespace vesperine::Contrast
