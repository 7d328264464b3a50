#include "Support/Contrast.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

using Contrast::Rgb;

constexpr Rgb grey(std::uint8_t level) { return {level, level, level}; }

TEST(Contrast, RatiosAsTheGuidelinesGiveThem) {
    EXPECT_NEAR(Contrast::ratio(grey(0), grey(255)), 21.0, 1e-9);
    EXPECT_NEAR(Contrast::ratio(grey(255), grey(0)), 21.0, 1e-9);
    EXPECT_NEAR(Contrast::ratio(grey(0x77), grey(0xEF)), 3.89, 0.01);  // the light hint text
}

// Secondary text (the palette's hint colour) and warnings (an amber) on the light and dark
// palettes of the desktops: kept where they read, else mixed towards the text colour just far
// enough, so they stay lighter than the main text and tell themselves apart from it.
TEST(Contrast, TextIsMixedTowardsTheMainTextUntilItReads) {
    const Rgb amber{0xE5, 0xA5, 0x0A};
    struct Case {
        const char* what;
        Rgb wanted, background, strong;
        bool kept;
    } cases[] = {
        {"Fusion light: hint grey", grey(0x77), grey(0xEF), grey(0), false},
        {"Fusion light: hint grey on an input", grey(0x77), grey(0xFF), grey(0), false},
        {"a dark palette's hint grey", grey(0x90), grey(0x2B), grey(0xE8), false},
        {"Breeze dark: its inactive text", {0xA1, 0xA9, 0xB1}, {0x2A, 0x2E, 0x32}, {0xFC, 0xFC, 0xFC}, true},
        {"light: the amber warning", amber, grey(0xEF), grey(0), false},
        {"dark: the amber warning", amber, grey(0x2B), grey(0xE8), true},
        {"a palette whose own text reads badly", grey(0x90), grey(0x60), grey(0x98), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Rgb shown = Contrast::readable(c.wanted, c.background, c.strong);
        const double ratio = Contrast::ratio(shown, c.background);
        EXPECT_GE(ratio, Contrast::textMinimum);
        EXPECT_EQ(shown == c.wanted, c.kept);
        if (!c.kept && Contrast::ratio(c.strong, c.background) >= Contrast::textMinimum) {
            EXPECT_LT(ratio, Contrast::textMinimum + 0.2);  // no further than needed
            EXPECT_LT(Contrast::ratio(shown, c.background), Contrast::ratio(c.strong, c.background));
        }
    }
}

}  // namespace
}  // namespace vesperine
