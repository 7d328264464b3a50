#include "Schedule/Cities.h"

#include <gtest/gtest.h>


namespace vesperine {
namespace {

std::vector<std::string> names(const std::vector<Cities::City>& cities) {
    std::vector<std::string> result;
    for (const auto& city : cities) result.push_back(city.name);
    return result;
}

TEST(Cities, SearchIsCaseInsensitiveContainmentInTableOrder) {
    EXPECT_EQ(Cities::search(" \t ").size(), Cities::all().size());
    EXPECT_EQ(names(Cities::search("york")), std::vector<std::string>{"New York, USA"});
    EXPECT_EQ(names(Cities::search("  YORK\t")), std::vector<std::string>{"New York, USA"});
    for (const auto& city : Cities::search("usa")) EXPECT_TRUE(city.name.ends_with("USA"));
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
        EXPECT_EQ(city ? city->name : "", c.expected ? c.expected : "") << c.zone;
    }
}

}  // namespace
}  // namespace vesperine
