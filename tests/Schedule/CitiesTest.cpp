#include "Schedule/Cities.h"

#include <gtest/gtest.h>

#include "Schedule/Presets.h"

namespace vesperine {
namespace {

std::vector<std::string> names(const std::vector<Cities::City>& cities) {
    std::vector<std::string> result;
    for (const auto& city : cities) result.push_back(city.name);
    return result;
}

TEST(Cities, SearchIsCaseInsensitiveContainmentInTableOrder) {
    EXPECT_EQ(Cities::all().size(), 80u);
    EXPECT_EQ(Cities::search("").size(), 80u);
    EXPECT_EQ(Cities::search(" \t ").size(), 80u);
    EXPECT_EQ(names(Cities::search("york")), std::vector<std::string>{"New York, USA"});
    EXPECT_EQ(names(Cities::search("  YORK\t")), std::vector<std::string>{"New York, USA"});
    auto usa = Cities::search("usa");
    EXPECT_EQ(usa.size(), 20u);
    for (const auto& city : usa) EXPECT_TRUE(city.name.ends_with("USA")) << city.name;
    EXPECT_EQ(names(Cities::search("zürich")), std::vector<std::string>{"Zürich, Switzerland"});
    EXPECT_EQ(names(Cities::search("SÃO")), std::vector<std::string>{"São Paulo, Brazil"});
    EXPECT_TRUE(Cities::search("zurich").empty());  // accents are not folded away
    EXPECT_TRUE(Cities::search("Europe").empty());  // only names are searched
    EXPECT_TRUE(Cities::search("\xff\xfe").empty());
}

TEST(Cities, GuessPrefersTheZonesOwnCity) {
    struct Case {
        const char* zone;
        const char* expected;  // nullptr: none
    } cases[] = {
        {"Europe/London", "London, UK"},       {"America/Chicago", "Chicago, USA"},
        {"America/Toronto", "Toronto, Canada"}, {"Asia/Kolkata", "Delhi, India"},
        {"Asia/Shanghai", "Shanghai, China"},   {"America/Argentina/Buenos_Aires", "Buenos Aires, Argentina"},
        {"Europe/Berlin", "Berlin, Germany"},   {"Pacific/Chatham", nullptr},
        {"", nullptr},                          {"/", nullptr},
    };
    for (const auto& c : cases) {
        auto city = Cities::guess(TimeZone{c.zone});
        if (c.expected) {
            ASSERT_TRUE(city) << c.zone;
            EXPECT_EQ(city->name, c.expected);
        } else {
            EXPECT_FALSE(city) << c.zone;
        }
    }
}

TEST(Presets, FixedIdsAndLookupInEitherCase) {
    ASSERT_EQ(Presets::all().size(), 4u);
    EXPECT_EQ(Presets::defaultSchedule().name, "Day & Night");
    for (const auto& schedule : Presets::all()) EXPECT_TRUE(schedule.isBuiltIn);
    EXPECT_EQ(Uuid::parse("5c1b6a52-0003-4000-8000-000000000003"), Presets::brightOnly().id);
    EXPECT_TRUE(Presets::manual().keyframes.empty());
    EXPECT_EQ(Presets::dayAndNight().keyframes[1].time, TimeAnchor::solar(SolarEvent::sunset, -30));
}

}  // namespace
}  // namespace vesperine
