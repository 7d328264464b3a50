#include "Schedule/ModeBlend.h"

#include <algorithm>
#include <optional>

#include "Color/Kelvin.h"

namespace vesperine::ModeBlend {

namespace {

using Kind = DisplayMode::Kind;

// The colour temperature a mode stands for on the warm path. The kelvin of a warm mode is
// clamped to the table's range here: it is about to become mired (1e6 / K), and a warm(0)
// read from a file would otherwise turn every point of its fade into NaN.
std::optional<double> kelvin(const DisplayMode& mode) {
    switch (mode.kind()) {
        case Kind::warm: return std::clamp(mode.strength(), Kelvin::minimum, Kelvin::maximum);
        case Kind::off: return Kelvin::maximum;
        default: return std::nullopt;
    }
}

DisplayTarget direct(const DisplayMode& from, const DisplayMode& to, double p) {
    auto kf = kelvin(from);
    auto kt = kelvin(to);
    if (kf && kt) return {1.0, Kelvin::gains(Kelvin::interpolate(*kf, *kt, p))};
    return from.target().lerp(to.target(), p);
}

bool isColour(Kind kind) { return kind == Kind::warm || kind == Kind::red; }

}  // namespace

DisplayTarget target(const DisplayMode& from, const DisplayMode& to, double progress) {
    double p = progress;
    if (!(p > 0.0)) p = 0.0;  // NaN too: show the start rather than nothing sensible
    if (p > 1.0) p = 1.0;

    const bool throughOff = (from.kind() == Kind::bright && isColour(to.kind())) ||
                            (to.kind() == Kind::bright && isColour(from.kind()));
    if (throughOff) {
        if (p < 0.5) return direct(from, DisplayMode::off(), 2.0 * p);
        return direct(DisplayMode::off(), to, 2.0 * p - 1.0);
    }
    return direct(from, to, p);
}

}  // namespace vesperine::ModeBlend
