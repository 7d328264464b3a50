#include "Color/Kelvin.h"
#include "Schedule/ModeBlend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vesperine {
namespace {

TEST(Kelvin, EndsAreClampedFadesAreEvenInMiredAndOnlyWarmAsKelvinFalls) {
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
        {"black", {0, 0, 0}, Kelvin::maximum},
        {"redder than the warmest", {1, 0.1, 0}, Kelvin::minimum},
        {"NaN", {std::nan(""), 1, 1}, Kelvin::maximum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(Kelvin::matching(c.tint), c.expected, 1.0);
    }
}

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

DisplayTarget warmTarget(double kelvin) { return {1.0, Kelvin::gains(kelvin)}; }

TEST(ModeBlend, FollowsTheMiredPathTheLinearPathOrPassesThroughOff) {
    const auto bright2 = DisplayMode::bright(2), warm3400 = DisplayMode::warm(3400),
               warm2700 = DisplayMode::warm(2700), red08 = DisplayMode::red(0.8),
               off = DisplayMode::off();
    const std::tuple<const char*, DisplayMode, DisplayMode, double, DisplayTarget> cases[] = {
        {"warm to warm, halfway in mired", warm3400, warm2700, 0.5,
         warmTarget(1e6 / ((1e6 / 3400 + 1e6 / 2700) / 2))},
        {"warm to off ends untinted", warm3400, off, 1, DisplayTarget::off()},
        {"bright to warm, first quarter lowers boost", bright2, warm3400, 0.25, {1.5, {1, 1, 1}}},
        {"bright to warm, exactly halfway is off", bright2, warm3400, 0.5, DisplayTarget::off()},
        {"bright to warm, third quarter tints in mired", bright2, warm3400, 0.75,
         warmTarget(Kelvin::interpolate(6500, 3400, 0.5))},
        {"red to warm is linear", red08, warm3400, 0.5,
         red08.target().lerp(warm3400.target(), 0.5)},
        {"NaN progress is the start", warm3400, warm2700, nan, warm3400.target()},
        {"infinite progress is the end", bright2, red08, inf, red08.target()},
    };
    for (const auto& [name, from, to, progress, expected] : cases) {
        SCOPED_TRACE(name);
        auto got = ModeBlend::target(from, to, progress);
        EXPECT_DOUBLE_EQ(got.boost, expected.boost);
        EXPECT_DOUBLE_EQ(got.gains.r, expected.gains.r);
        EXPECT_DOUBLE_EQ(got.gains.g, expected.gains.g);
        EXPECT_DOUBLE_EQ(got.gains.b, expected.gains.b);
    }
}

// A warm(0) read from a file used to turn every point of its fade into NaN (1e6 / 0 is
// infinite, and infinity minus infinity is NaN), and NaN then reached the gamma tables.
TEST(ModeBlend, OutOfRangeStoredKelvinNeverGivesNaN) {
    const double stored[] = {0, -3000, 1e-300, 1e308, inf, -inf, nan};
    for (double kelvin : stored) {
        for (auto other : {DisplayMode::warm(3400), DisplayMode::off(), DisplayMode::warm(kelvin)}) {
            for (double p : {0.0, 0.3, 0.5, 1.0}) {
                SCOPED_TRACE(testing::Message() << kelvin << " p=" << p);
                for (auto target : {ModeBlend::target(DisplayMode::warm(kelvin), other, p),
                                    ModeBlend::target(other, DisplayMode::warm(kelvin), p)}) {
                    ASSERT_TRUE(std::isfinite(target.boost + target.gains.r + target.gains.g +
                                             target.gains.b));
                }
            }
        }
    }
    // Clamped to the table's range, so warm(0) fades like warm(1200).
    EXPECT_EQ(ModeBlend::target(DisplayMode::warm(0), DisplayMode::off(), 0.4),
              ModeBlend::target(DisplayMode::warm(1200), DisplayMode::off(), 0.4));
}

}  // namespace
}  // namespace vesperine
