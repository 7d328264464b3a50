#include "Platform/Linux/SystemTimeZone.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(SystemTimeZone, ReadsTheZoneFromTzValuesPathsAndFiles) {
    struct Case {
        const char* text;
        std::optional<std::string> expected;
    } cases[] = {
        {"Europe/Berlin", "Europe/Berlin"},
        {":America/New_York", "America/New_York"},
        {"/usr/share/zoneinfo/Pacific/Chatham", "Pacific/Chatham"},
        {"../usr/share/zoneinfo/posix/Asia/Tokyo", "Asia/Tokyo"},
        {"Australia/Lord_Howe\n", "Australia/Lord_Howe"},
        {"UTC", "UTC"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", std::nullopt},
        {"Mars/Olympus_Mons", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemTimeZone::identifierFrom(c.text), c.expected) << c.text;
    }
}

TEST(SystemTimeZone, FollowsTzAfterAReset) {
    const char* saved = std::getenv("TZ");
    std::string keep = saved ? saved : "";
    ::setenv("TZ", "Asia/Kolkata", 1);
    SystemTimeZone zone;
    EXPECT_EQ(zone.current().identifier, "Asia/Kolkata");
    ::setenv("TZ", "Europe/Oslo", 1);
    EXPECT_EQ(zone.current().identifier, "Asia/Kolkata");  // cached until told
    zone.reset();
    EXPECT_EQ(zone.current().identifier, "Europe/Oslo");
    if (saved) {
        ::setenv("TZ", keep.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
}

}  // namespace
}  // namespace vesperine
