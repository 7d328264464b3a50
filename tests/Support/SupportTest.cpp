// The small helpers of Support: JSON, observable values, contrast and safe text. (Callbacks
// guarded by Alive are the services' tests: nothing runs once a service is gone.)
#include <gtest/gtest.h>

#include <limits>

#include "State/DisplayMode.h"
#include "Support/Contrast.h"
#include "Support/Json.h"
#include "Support/Observable.h"
#include "Support/SafeText.h"

namespace vesperine {
namespace {

using namespace std::string_literals;
using Contrast::Rgb;

// What the parser makes of bad text is the library's; that it never throws, that no number
// that is not finite is written (also deep in a tree) and that bad UTF-8 is replaced are ours.
TEST(Json, ParseAndSerializeNeverThrow) {
    EXPECT_FALSE(json::parse("{\"a\":1}{").ok());
    EXPECT_FALSE(json::serialize(Json{{"a", std::numeric_limits<double>::quiet_NaN()}}).ok());
    EXPECT_FALSE(
        json::serialize(Json{{"a", {1.0, -std::numeric_limits<double>::infinity()}}}).ok());
    EXPECT_EQ(*json::serialize(Json{{"a", std::string("\xff")}}), "{\"a\":\"\xef\xbf\xbd\"}");
}

// Told only of a change by the type's equality; an observer may end another one while being
// told, and a subscription may outlive its value.
TEST(Observable, NotifiesOnlyOnChangeAndObserversMayUnsubscribeWhileBeingTold) {
    Observable<DisplayMode> mode;
    std::vector<DisplayMode> seen;
    auto subscription = mode.observe([&](const DisplayMode& m) { seen.push_back(m); });
    EXPECT_FALSE(mode.set(DisplayMode::off()));  // equal to the initial value
    EXPECT_TRUE(mode.set(DisplayMode::warm(3400)));
    EXPECT_FALSE(mode.set(DisplayMode::warm(3400)));
    EXPECT_TRUE(mode.set(DisplayMode::warm(3400.0001)));
    EXPECT_EQ(seen, (std::vector{DisplayMode::warm(3400), DisplayMode::warm(3400.0001)}));

    subscription.reset();
    mode.set(DisplayMode::red(1));
    EXPECT_EQ(seen.size(), 2u);

    Subscription second;
    int firstCalls = 0, secondCalls = 0;
    {
        Observable<int> value;
        auto first = value.observe([&](int) {
            ++firstCalls;
            second.reset();
        });
        second = value.observe([&](int) { ++secondCalls; });
        value.set(1);  // the snapshot still tells the second one this time
        value.set(2);
        EXPECT_EQ(firstCalls, 2);
        EXPECT_EQ(secondCalls, 1);
        second = value.observe([](int) {});
    }
    second.reset();  // the observable is gone: must not touch it
}

constexpr Rgb grey(std::uint8_t level) { return {level, level, level}; }

// Secondary text (the palette's hint colour) and warnings (an amber) on the light and dark
// palettes of the desktops: kept where they read, else mixed towards the text colour just far
// enough, so they stay lighter than the main text and tell themselves apart from it.
TEST(Contrast, TextIsMixedTowardsTheMainTextUntilItReads) {
    EXPECT_NEAR(Contrast::ratio(grey(0), grey(255)), 21.0, 1e-9);
    EXPECT_NEAR(Contrast::ratio(grey(0x77), grey(0xEF)), 3.89, 0.01);  // the light hint text
    const Rgb amber{0xE5, 0xA5, 0x0A};
    struct Case {
        const char* what;
        Rgb wanted, background, strong;
        bool kept;
    } cases[] = {
        {"Fusion light: hint grey", grey(0x77), grey(0xEF), grey(0), false},
        {"a dark palette's hint grey", grey(0x90), grey(0x2B), grey(0xE8), false},
        {"Breeze dark: its inactive text", {0xA1, 0xA9, 0xB1}, {0x2A, 0x2E, 0x32}, {0xFC, 0xFC, 0xFC}, true},
        {"light: the amber warning", amber, grey(0xEF), grey(0), false},
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
            EXPECT_LT(ratio, Contrast::ratio(c.strong, c.background));
        }
    }
}

// Hostile names as a schedule file, a desktop entry, a window or another bus client may hand
// them to us, and what goes on the bus and what a person sees of each.
TEST(SafeText, OneTableOfHostileTextsForTheBusAndForPeople) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string text, bus, people;
    };
    const Case cases[] = {
        {"plain", "Day & Night", "Day & Night", "Day & Night"},
        {"letters, symbols and a plane-1 character", "Café ☕ 𝄞", "Café ☕ 𝄞", "Café ☕ 𝄞"},
        {"noncharacter U+FFFF", "Night\xEF\xBF\xBF", "Night" + fffd, "Night\xEF\xBF\xBF"},
        {"lone surrogate U+D800, encoded", "a\xED\xA0\x80z", "a" + fffd + fffd + fffd + "z",
         "a\\xED\\xA0\\x80z"},
        {"NUL", "a\0b"s, "a" + fffd + "b", "a\\x00b"},
        {"terminal escapes", "\x1B[2J\x1B]0;owned\x07", "\x1B[2J\x1B]0;owned\x07",
         "\\x1B[2J\\x1B]0;owned\\x07"},
        {"a line of its own, a tab, DEL", "a\nb\tc\x7F", "a\nb\tc\x7F", "a\\x0Ab\\x09c\\x7F"},
        {"C1 CSI", "\xC2\x9B" "31m", "\xC2\x9B" "31m", "\\u009B31m"},
        {"a bare CSI byte", "\x9B" "31m", fffd + "31m", "\\x9B31m"},
        {"bidirectional override and isolate", "abc\xE2\x80\xAE" "fed\xE2\x81\xA6",
         "abc\xE2\x80\xAE" "fed\xE2\x81\xA6", "abc\\u202Efed\\u2066"},
        {"cut short", "ok\xE2\x80", "ok" + fffd, "ok\\xE2\\x80"},
        {"overlong slash", "\xC0\xAF", fffd + fffd, "\\xC0\\xAF"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd,
         "\\xF4\\x90\\x80\\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeText::forBus(c.text), c.bus) << c.name;
        EXPECT_EQ(SafeText::forPeople(c.text), c.people) << c.name;
    }
}

}  // namespace
}  // namespace vesperine
