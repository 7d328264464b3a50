#include "Display/GammaTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vesperine {
namespace {

using GammaTable::Channels;

TEST(GammaTable, IdentityResampleAndScale) {
    auto ramp = Channels::identity(256);
    EXPECT_EQ(ramp.g[51], 0.2f);

    auto fromBig = GammaTable::resampled(Channels::identity(1024), 256);
    for (std::size_t i = 0; i < 256; ++i) ASSERT_NEAR(fromBig.r[i], ramp.r[i], 1e-6) << i;
    EXPECT_EQ(GammaTable::resampled(Channels{{0, 1}, {0, 1}, {0, 1}}, 256), ramp);
    EXPECT_EQ(GammaTable::resampled(ramp, 256), ramp);
    // Degenerate sizes are safe rather than undefined.
    EXPECT_EQ(GammaTable::resampled(Channels{}, 4).r, std::vector<float>(4, 0.0f));
    EXPECT_EQ(GammaTable::resampled(ramp, 1).r, std::vector<float>{0.0f});

    auto tinted = GammaTable::scaled(ramp, {1.0, 0.5, 0.0});
    EXPECT_EQ(tinted.r, ramp.r);
    EXPECT_EQ(tinted.g[255], 0.5f);
    EXPECT_EQ(tinted.b, std::vector<float>(256, 0.0f));
    EXPECT_EQ(GammaTable::scaled(ramp, {1.3, 1.3, 1.3}).r.back(), 1.3f);  // not clamped
}

}  // namespace
}  // namespace vesperine
