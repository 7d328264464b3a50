#include "Display/GammaTable.h"

namespace vesperine::GammaTable {

namespace {

std::vector<float> resample(const std::vector<float>& values, std::size_t n) {
    std::vector<float> out(n, 0.0f);
    if (n == 0 || values.empty()) return out;
    if (n == 1 || values.size() == 1) {
        for (auto& v : out) v = values.front();
        if (n > 1) out.back() = values.back();
        return out;
    }
    const double last = static_cast<double>(values.size() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(n - 1) * last;
        const std::size_t lo = static_cast<std::size_t>(x);
        const std::size_t hi = std::min(values.size() - 1, lo + 1);
        const double f = x - static_cast<double>(lo);
        out[i] = static_cast<float>((1.0 - f) * static_cast<double>(values[lo]) +
                                    f * static_cast<double>(values[hi]));
    }
    return out;
}

void scale(const std::vector<float>& values, double gain, std::vector<float>& out) {
    out.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[i] = static_cast<float>(gain * static_cast<double>(values[i]));
    }
}

}  // namespace

Channels Channels::identity(std::size_t size) {
    std::vector<float> ramp(size, 0.0f);
    for (std::size_t i = 0; size > 1 && i < size; ++i) {
        ramp[i] = static_cast<float>(static_cast<double>(i) / static_cast<double>(size - 1));
    }
    return {ramp, ramp, ramp};
}

Channels resampled(const Channels& table, std::size_t size) {
    return {resample(table.r, size), resample(table.g, size), resample(table.b, size)};
}

Channels scaled(const Channels& table, const RGBGains& gains) {
    Channels out;
    scaleInto(table, gains, out);
    return out;
}

void scaleInto(const Channels& table, const RGBGains& gains, Channels& out) {
    scale(table.r, gains.r, out.r);
    scale(table.g, gains.g, out.g);
    scale(table.b, gains.b, out.b);
}

}  // namespace vesperine::GammaTable
