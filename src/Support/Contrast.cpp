#include "Support/Contrast.h"

#include <cmath>

namespace vesperine::Contrast {

namespace {

// The sRGB transfer function undone (IEC 61966-2-1), as WCAG writes it.
double linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t between(std::uint8_t from, std::uint8_t to, double fraction) {
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * fraction));
}

}  // namespace

double relativeLuminance(Rgb colour) {
    return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

double ratio(Rgb a, Rgb b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb mix(Rgb from, Rgb to, double fraction) {
    return {between(from.r, to.r, fraction), between(from.g, to.g, fraction),
            between(from.b, to.b, fraction)};
}

Rgb readable(Rgb wanted, Rgb background, Rgb strong, double minimum) {
    if (ratio(wanted, background) >= minimum) return wanted;
    Rgb target = strong;
    if (ratio(strong, background) < minimum) {
        const Rgb black{0, 0, 0}, white{255, 255, 255};
        target = ratio(black, background) >= ratio(white, background) ? black : white;
    }
    // The contrast grows steadily along the mix while the target stands out more than the
    // wanted colour: the least fraction that reads is found by halving.
    double low = 0, high = 1;
    for (int step = 0; step < 12; ++step) {
        const double middle = (low + high) / 2;
        (ratio(mix(wanted, target, middle), background) >= minimum ? high : low) = middle;
    }
    const Rgb mixed = mix(wanted, target, high);
    return ratio(mixed, background) >= minimum ? mixed : target;
}

}  // namespace vesperine::Contrast
