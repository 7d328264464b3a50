#pragma once

#include <cstddef>
#include <vector>

#include "Display/RGBGains.h"

namespace vesperine::GammaTable {

// One transfer table per channel; entry i is the output for input i / (count - 1). Values are
// not clamped: entries above 1 carry boost.
struct Channels {
    std::vector<float> r, g, b;

    std::size_t count() const { return r.size(); }
    // The ramp i / (size - 1); size 0 gives empty channels, size 1 a single 0.
    static Channels identity(std::size_t size);
    bool operator==(const Channels&) const = default;
};

// Each channel resampled piecewise-linearly to `size` entries; first and last entries kept.
// An empty channel resamples to zeros; size 1 gives the first entry.
Channels resampled(const Channels& table, std::size_t size);
// Each channel multiplied by its gain, in double, converted once to float.
Channels scaled(const Channels& table, const RGBGains& gains);
// The same into `out`, whose buffers are reused: a fade scales a table every frame, and a
// fresh one each time costs an allocation, a zero fill and a release per channel.
void scaleInto(const Channels& table, const RGBGains& gains, Channels& out);

}  // namespace vesperine::GammaTable
