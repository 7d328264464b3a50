#include "Platform/Linux/System/SystemTimeZone.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempFolder.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

using testing_time::ScopedTz;

// How a text reads as a zone file's content or link target, and as a TZ value.
TEST(SystemTimeZone, ReadsZonesFromFilesAndTzValues) {
    const std::optional<std::string> none;
    using Zone = std::optional<std::string>;
    const std::tuple<const char*, Zone, Zone> cases[] = {  // the text, in a file, in TZ
        {"Europe/Berlin", "Europe/Berlin", "Europe/Berlin"},
        {":America/New_York", "America/New_York", "America/New_York"},
        {"../usr/share/zoneinfo/posix/Asia/Tokyo", "Asia/Tokyo", "Asia/Tokyo"},
        {"Australia/Lord_Howe\n", "Australia/Lord_Howe", "Australia/Lord_Howe"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", none, "CET-1CEST,M3.5.0,M10.5.0/3"},
        {"CET-1CEST,M3.5.0,M10.5.0/3 trailing", none, none},
        {"Mars/Olympus_Mons", none, none},
        {"", none, "UTC"},  // the C library's reading of an empty TZ
    };
    for (const auto& [text, inFile, inTz] : cases) {
        EXPECT_EQ(SystemTimeZone::identifierFrom(text), inFile) << text;
        EXPECT_EQ(SystemTimeZone::zoneFromTz(text), inTz) << text;
    }
    // TZ=":/etc/localtime" and other links into the database name the zone they link to.
    const TempFolder folder;
    std::filesystem::create_symlink("/usr/share/zoneinfo/Asia/Tokyo", folder / "localtime");
    EXPECT_EQ(SystemTimeZone::zoneFromTz(":" + (folder / "localtime").string()), "Asia/Tokyo");
}

TEST(SystemTimeZone, FollowsTzAfterAResetAndReportsAnUnknownOne) {
    CapturingLogger logger;
    SystemTimeZone zone(logger);
    ScopedTz tz("Asia/Kolkata");
    EXPECT_EQ(zone.current().identifier, "Asia/Kolkata");
    ::setenv("TZ", "Europe/Oslo", 1);
    EXPECT_EQ(zone.current().identifier, "Asia/Kolkata");  // cached until told
    zone.reset();
    EXPECT_EQ(zone.current().identifier, "Europe/Oslo");

    ::setenv("TZ", "Mars/Olympus_Mons", 1);
    zone.reset();
    const std::string fallback = zone.current().identifier;
    EXPECT_NE(fallback, "Mars/Olympus_Mons");
    EXPECT_TRUE(logger.contains("TZ=\"Mars/Olympus_Mons\""));
    EXPECT_TRUE(logger.contains("runs in " + fallback));
}

}  // namespace
}  // namespace vesperine
