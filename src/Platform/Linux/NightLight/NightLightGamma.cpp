#include "Platform/Linux/NightLight/NightLightGamma.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "Color/Kelvin.h"
#include "Display/RGBGains.h"

namespace vesperine {

NightLightGamma::NightLightGamma(NightLightTint* tint, Logger& logger)
    : tint_(tint && tint->available() ? tint : nullptr), log_(logger, "display") {
    log_.always(LogLevel::notice,
                tint_ ? "The desktop keeps the display's colour to itself: Warm shows through its "
                        "Night Light; Bright and Red are unavailable"
                      : "The desktop keeps the display's colour to itself and lends no Night "
                        "Light: no tint can be shown");
}

ColourControl NightLightGamma::colourControl() const {
    return tint_ ? ColourControl::nightLight : ColourControl::none;
}

int NightLightGamma::readTable(DisplayID display, std::size_t capacity, float* r, float* g,
                               float* b, std::size_t& count) {
    count = 0;
    if (capacity == 0) return EINVAL;
    auto it = written_.find(display);
    if (it == written_.end()) {
        count = std::min(capacity, ownSize);
        for (std::size_t i = 0; i < count; ++i)
            r[i] = g[i] = b[i] = count == 1 ? 1.0f : static_cast<float>(i) / (count - 1);
        return 0;
    }
    const Table& table = it->second;
    // Sampled at the nearest entry: these tables are straight lines, nothing is lost.
    count = std::min(capacity, table.r.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = count == 1 ? 0 : i * (table.r.size() - 1) / (count - 1);
        r[i] = table.r[from];
        g[i] = table.g[from];
        b[i] = table.b[from];
    }
    return 0;
}

int NightLightGamma::writeTable(DisplayID display, std::size_t size, const float* r,
                                const float* g, const float* b) {
    if (!tint_) return ENOTSUP;
    if (size < 2) return EINVAL;
    // The full-input entry carries the tint; the rest of a table of ours is its straight line.
    const RGBGains white{r[size - 1], g[size - 1], b[size - 1]};
    if (!std::isfinite(white.r) || !std::isfinite(white.g) || !std::isfinite(white.b)) return EINVAL;
    written_[display] = {{r, r + size}, {g, g + size}, {b, b + size}};
    const double kelvin = std::round(Kelvin::matching(white) / kelvinStep) * kelvinStep;
    if (kelvin >= Kelvin::maximum) {
        tint_->release();
    } else {
        tint_->show(kelvin);
    }
    return 0;
}

void NightLightGamma::restoreAll() {
    written_.clear();
    if (tint_) tint_->release();
}

std::string NightLightGamma::errorText(int code) const {
    switch (code) {
        case ENOTSUP: return "this desktop lends no night light to tint with";
        case EINVAL: return "the table cannot be shown as a night light";
        default: return DisplayGamma::errorText(code);
    }
}

}  // namespace vesperine
