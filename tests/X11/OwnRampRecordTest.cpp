#include "Platform/X11/OwnRampRecord.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryFileSystem.h"

namespace vesperine {
namespace {

using Output = OwnRampRecord::Output;

const Output dp1{"DP-1", "e1", 2};
const std::string path = "/run/app.ramps.0.json";
// Steps of 1/65535, as ramps read from a CRTC are: recalled exactly.
const GammaTable::Channels ramp{{0, 1}, {0, 63569 / 65535.0f}, {0, 60292 / 65535.0f}};

TEST(OwnRampRecordTest, AnEntryIsRecalledExactlyOnlyForTheSameOutputOnTheSameServerStart) {
    // Opened again on this display and server start, asked for this output: is the ramp
    // recalled, and is it kept for a later run on the first ones?
    const std::tuple<const char*, const char*, const char*, Output, bool, bool> cases[] = {
        {"same", ":0.0", "start A", dp1, true, true},
        {"same display by another name", "unix:0", "start A", dp1, true, true},
        {"another server start", ":0", "start B", dp1, false, false},
        {"another monitor", ":0", "start A", {"DP-1", "e2", 2}, false, false},
        {"another gamma size", ":0", "start A", {"DP-1", "e1", 4}, false, false},
        {"another output", ":0", "start A", {"DP-2", "e1", 2}, false, true}};
    for (const auto& [name, display, server, output, recalled, keptForLater] : cases) {
        SCOPED_TRACE(name);
        MemoryFileSystem files;
        CapturingLogger logger;
        auto opened = [&](const char* display, const char* server) {
            auto record = std::make_unique<OwnRampRecord>(files, logger, "/run", "app");
            record->open(display, server);
            return record;
        };
        ASSERT_TRUE(opened(":0", "start A")->keep(dp1, ramp));
        EXPECT_EQ(opened(display, server)->recall(output),
                  recalled ? ramp : std::optional<GammaTable::Channels>());
        EXPECT_EQ(opened(":0", "start A")->recall(dp1).has_value(), keptForLater);
        EXPECT_EQ(files.files().size(), 1u);
    }
}

TEST(OwnRampRecordTest, ADamagedRecordIsIgnoredAndLoggedOnce) {
    const std::string valid =
        R"({"format":1,"display":":0","server":"A","outputs":[{"name":"DP-1","edid":"e1",)"
        R"("gammaSize":2,"red":[0,65535],"green":[0,65535],"blue":[0,65535]}]})";
    // The valid record with one text replaced by another.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"valid", "", ""},
        {"not JSON", "{", "["},
        {"another format", R"("format":1)", R"("format":2)"},
        {"above 16 bits", "[0,65535]}", "[0,65536]}"},
        {"channels of different lengths", "[0,65535]}", "[0,1,65535]}"},
        {"a channel missing", R"(,"blue":[0,65535])", ""}};
    for (const auto& [name, from, to] : cases) {
        SCOPED_TRACE(name);
        std::string text = valid;
        if (!from.empty()) text.replace(text.find(from), from.size(), to);
        MemoryFileSystem files;
        files.put(path, text);
        CapturingLogger logger;
        OwnRampRecord record(files, logger, "/run", "app");
        record.open(":0", "A");
        EXPECT_EQ(record.recall(dp1).has_value(), from.empty());
        EXPECT_EQ(logger.count("Ignoring the damaged ramp record"), from.empty() ? 0u : 1u);
    }
}

}  // namespace
}  // namespace vesperine
