#include "Schedule/Cities.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

std::vector<std::string> names(const std::vector<Cities::City>& cities) {
    std::vector<std::string> result;
    for (const auto& city : cities) result.push_back(city.name);
    return result;
}

// Blank searches, counts and accents as typed are the settings window's test.
TEST(Cities, SearchIgnoresCaseAndAccentsInTableOrder) {
    EXPECT_EQ(names(Cities::search("  YORK\t")), std::vector<std::string>{"New York, USA"});
    EXPECT_EQ(names(Cities::search("SÃO")), std::vector<std::string>{"São Paulo, Brazil"});
    EXPECT_EQ(names(Cities::search("ZURICH")), std::vector<std::string>{"Zürich, Switzerland"});
    EXPECT_EQ(names(Cities::search("sao p")), std::vector<std::string>{"São Paulo, Brazil"});
    EXPECT_TRUE(Cities::search("Europe").empty());  // only names are searched
    EXPECT_TRUE(Cities::search("\xff\xfe").empty());
}

TEST(Cities, GuessPrefersTheZonesOwnCity) {
    // Each zone and its city, if any.
    const std::pair<const char*, const char*> cases[] = {
        {"Europe/London", "London, UK"},       {"Asia/Kolkata", "Delhi, India"},
        {"America/Argentina/Buenos_Aires", "Buenos Aires, Argentina"},
        {"Pacific/Chatham", nullptr},           {"/", nullptr},
    };
    for (const auto& [zone, expected] : cases) {
        auto city = Cities::guess(TimeZone{zone});
        EXPECT_EQ(city ? city->name : "", expected ? expected : "") << zone;
    }
}

}  // namespace
}  // namespace vesperine
