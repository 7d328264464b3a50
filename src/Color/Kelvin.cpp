#include "Color/Kelvin.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vesperine::Kelvin {

namespace {

constexpr int tableSize = 107;  // 1200, 1250, ..., 6500 K
constexpr double tableStep = 50.0;

struct Triple {
    double x, y, z;
};

// One lobe of the piecewise-Gaussian fit to the CIE 1931 2° colour-matching functions
// (Wyman, Sloan and Shirley, "Simple Analytic Approximations to the CIE XYZ Color Matching
// Functions", 2013): a Gaussian with one width below its centre and another above.
double lobe(double lambda, double mu, double sigmaBelow, double sigmaAbove) {
    double t = (lambda - mu) / (lambda < mu ? sigmaBelow : sigmaAbove);
    return std::exp(-0.5 * t * t);
}

Triple colourMatching(double lambda) {
    double x = 1.056 * lobe(lambda, 599.8, 37.9, 31.0) + 0.362 * lobe(lambda, 442.0, 16.0, 26.7) +
               -0.065 * lobe(lambda, 501.1, 20.4, 26.2);
    double y = 0.821 * lobe(lambda, 568.8, 46.9, 40.5) + 0.286 * lobe(lambda, 530.9, 16.3, 31.1);
    double z = 1.217 * lobe(lambda, 437.0, 11.8, 36.0) + 0.681 * lobe(lambda, 459.0, 26.0, 13.8);
    return {x, y, z};
}

// Linear-light sRGB of a black body at `kelvin`, up to a common factor: Planck's law with
// c2 = 0.014388 m·K sampled at 1 nm from 380 to 780 nm, through the D65 XYZ-to-sRGB matrix.
Triple linearRGB(double kelvin) {
    double X = 0, Y = 0, Z = 0;
    for (int i = 0; i <= 400; ++i) {
        const double lambda = 380.0 + i;
        const double metres = lambda * 1e-9;
        const double weight = 1.0 / ((std::exp(0.014388 / (kelvin * metres)) - 1.0) * std::pow(metres, 5));
        const Triple cmf = colourMatching(lambda);
        X += weight * cmf.x;
        Y += weight * cmf.y;
        Z += weight * cmf.z;
    }
    return {3.2406 * X - 1.5372 * Y - 0.4986 * Z, -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
            0.0557 * X - 0.2040 * Y + 1.0570 * Z};
}

// The sRGB transfer function (IEC 61966-2-1).
double encode(double v) {
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 0.4166666666666667) - 0.055;
}

double clampUnit(double v) {
    if (v <= 0.0) return 0.0;
    if (v > 1.0) return 1.0;
    return v;
}

std::array<RGBGains, tableSize> buildTable() {
    std::array<RGBGains, tableSize> table{};
    const Triple white = linearRGB(maximum);
    for (int i = 0; i < tableSize; ++i) {
        const double kelvin = minimum + i * tableStep;
        if (kelvin == maximum) {
            table[i] = RGBGains::neutral();
            continue;
        }
        const Triple c = linearRGB(kelvin);
        const double r = c.x / white.x, g = c.y / white.y, b = c.z / white.z;
        const double m = std::max(std::max(r, g), b);
        table[i] = {encode(clampUnit(r / m)), encode(clampUnit(g / m)), encode(clampUnit(b / m))};
    }
    return table;
}

const std::array<RGBGains, tableSize>& table() {
    static const std::array<RGBGains, tableSize> built = buildTable();  // thread-safe, once
    return built;
}

}  // namespace

RGBGains gains(double kelvin) {
    const auto& entries = table();
    // NaN has no place in the table; it would index outside it. Show no tint instead.
    if (std::isnan(kelvin)) return entries[tableSize - 1];
    const double t = kelvin <= minimum ? 0.0 : (std::min(kelvin, maximum) - minimum) / tableStep;
    const int i = std::min(tableSize - 2, static_cast<int>(t));
    const double f = t - i;
    return entries[i].lerp(entries[i + 1], f);
}

double matching(const RGBGains& tint) {
    if (!(tint.r > 0.0)) return maximum;
    const double blue = tint.b / tint.r;
    if (!(blue < 1.0)) return maximum;
    double low = minimum, high = maximum;
    if (blue <= gains(low).b) return low;
    for (int i = 0; i < 40; ++i) {
        const double middle = (low + high) / 2;
        (gains(middle).b < blue ? low : high) = middle;
    }
    return (low + high) / 2;
}

double interpolate(double from, double to, double t) {
    return 1e6 / (1e6 / from + t * (1e6 / to - 1e6 / from));
}

}  // namespace vesperine::Kelvin
