#include "Color/Kelvin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vesperine {
namespace {

TEST(Kelvin, EndsAreClampedAndNonFiniteInputIsSafe) {
    const double inf = std::numeric_limits<double>::infinity();
    const RGBGains white{1.0, 1.0, 1.0};
    for (double k : {6500.0, 6501.0, 10000.0, inf, std::nan("")}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Kelvin::gains(k), white);
    }
    for (double k : {1000.0, 0.0, -50.0, -inf}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Kelvin::gains(k), Kelvin::gains(1200));
    }
}

TEST(Kelvin, FadesEvenlyInMiredAndOnlyWarmsAsKelvinFalls) {
    // Between two temperatures a fade is even in mired, not in kelvin.
    EXPECT_NEAR(Kelvin::interpolate(6500, 3250, 0.5), 4333.3333, 0.001);
    EXPECT_DOUBLE_EQ(Kelvin::interpolate(3400, 2700, 1), 2700);
    // Red stays at 1 and the table only warms as kelvin falls.
    double lastG = 2, lastB = 2;
    for (double k = 6500; k >= 1200; k -= 7.5) {
        auto gains = Kelvin::gains(k);
        ASSERT_DOUBLE_EQ(gains.r, 1.0) << k;
        ASSERT_LE(gains.g, lastG) << k;
        ASSERT_LE(gains.b, lastB) << k;
        lastG = gains.g;
        lastB = gains.b;
    }
}

}  // namespace
}  // namespace vesperine
