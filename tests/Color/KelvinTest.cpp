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

TEST(Kelvin, MatchingFindsTheTemperatureOfATintDimmedOrNot) {
    struct Case {
        const char* name;
        RGBGains tint;
        double expected;
    } cases[] = {
        {"3400 K", Kelvin::gains(3400), 3400},
        {"between table rows", Kelvin::gains(2725), 2725},
        {"dimmed to half", {Kelvin::gains(4100).r * 0.5, Kelvin::gains(4100).g * 0.5, Kelvin::gains(4100).b * 0.5}, 4100},
        {"neutral", {1, 1, 1}, Kelvin::maximum},
        {"bluer than red", {0.8, 0.9, 1.0}, Kelvin::maximum},
        {"black", {0, 0, 0}, Kelvin::maximum},
        {"redder than the warmest", {1, 0.1, 0}, Kelvin::minimum},
        {"NaN", {std::nan(""), 1, 1}, Kelvin::maximum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(Kelvin::matching(c.tint), c.expected, 1.0);
    }
}

}  // namespace
}  // namespace vesperine
