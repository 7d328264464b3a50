#include "Support/SafeText.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

using namespace std::string_literals;

// Hostile names as a schedule file, a desktop entry, a window or another bus client may hand
// them to us, and what goes on the bus and what a person sees of each.
TEST(SafeText, OneTableOfHostileTextsForTheBusAndForPeople) {
    const std::string fffd = "\xEF\xBF\xBD";
    std::string accents;
    for (int i = 0; i < 10'000; ++i) accents += "é";
    struct Case {
        const char* name;
        std::string text, bus, people;
    };
    const Case cases[] = {
        {"plain", "Day & Night", "Day & Night", "Day & Night"},
        {"letters, symbols and a plane-1 character", "Café ☕ 𝄞", "Café ☕ 𝄞", "Café ☕ 𝄞"},
        {"noncharacter U+FFFF", "Night\xEF\xBF\xBF", "Night" + fffd, "Night\xEF\xBF\xBF"},
        {"noncharacter U+FDD0", "a\xEF\xB7\x90", "a" + fffd, "a\xEF\xB7\x90"},
        {"noncharacter U+10FFFF", "\xF4\x8F\xBF\xBF", fffd, "\xF4\x8F\xBF\xBF"},
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
        {"10,000 characters", accents, accents, accents},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeText::forBus(c.text), c.bus) << c.name;
        EXPECT_EQ(SafeText::forPeople(c.text), c.people) << c.name;
    }
}

}  // namespace
}  // namespace vesperine
