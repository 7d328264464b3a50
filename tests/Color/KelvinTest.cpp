#include "Color/Kelvin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vesperine {
namespace {

struct Row {
    double kelvin, g, b;
};

// The rows the colour model is checked against, rounded to four places.
TEST(Kelvin, TellingRowsOfTheTable) {
    const Row rows[] = {{1200, 0.3084, 0.0},    {1900, 0.5438, 0.0},    {2000, 0.5676, 0.0842},
                        {2700, 0.7001, 0.3499}, {3400, 0.7930, 0.5271}, {4000, 0.8532, 0.6513},
                        {5000, 0.9272, 0.8179}, {6000, 0.9795, 0.9466}, {6450, 0.9981, 0.9949},
                        {6500, 1.0, 1.0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kelvin);
        auto gains = Kelvin::gains(row.kelvin);
        EXPECT_DOUBLE_EQ(gains.r, 1.0);  // 1.055 - 0.055 is one ulp short of 1
        EXPECT_NEAR(gains.g, row.g, 0.00005);
        EXPECT_NEAR(gains.b, row.b, 0.00005);
    }
}

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

TEST(Kelvin, InterpolatesLinearlyBetweenFiftyKelvinRowsAndEvenlyInMiredBetweenTargets) {
    auto a = Kelvin::gains(2700), b = Kelvin::gains(2750), mid = Kelvin::gains(2725);
    EXPECT_DOUBLE_EQ(mid.g, (a.g + b.g) / 2);
    EXPECT_DOUBLE_EQ(mid.b, (a.b + b.b) / 2);
    auto top = Kelvin::gains(6475), row = Kelvin::gains(6450);
    EXPECT_DOUBLE_EQ(top.g, (row.g + 1.0) / 2);
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
