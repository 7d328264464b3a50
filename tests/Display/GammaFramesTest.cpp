#include "Display/GammaController.h"

#include "DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

// Frames write only what changes the displays; `apply` (a reassert, a display event) writes all.
TEST(GammaFrames, WriteOnlyWhatChangesInOneBatch) {
    SimulatedDisplays displays;
    displays.add(screen(1));
    displays.add(screen(2));
    VirtualTime time;
    CapturingLogger logger;
    GammaController gamma{displays, time, logger};
    const RGBGains warm{1, 0.8, 0.6}, neutral{1, 1, 1};
    gamma.applyChanges({{1, neutral}, {2, neutral}});  // first of the run: tables of a killed run go
    EXPECT_EQ(displays.restores(), 1);
    const struct Step {
        const char* name;
        std::map<DisplayID, RGBGains> gains;
        bool frame;  // applyChanges, else apply
        int writesTo1, writesTo2, restores;
    } steps[] = {
        {"neutral again: nothing", {{1, neutral}, {2, neutral}}, true, 0, 0, 1},
        {"a tint beside a display showing its own", {{1, warm}, {2, neutral}}, true, 1, 0, 1},
        {"the same frame again", {{1, warm}, {2, neutral}}, true, 1, 0, 1},
        {"a rewrite that is asked for", {{1, warm}, {2, neutral}}, false, 2, 1, 1},
        {"back to neutral: one restore", {{1, neutral}, {2, neutral}}, true, 2, 1, 2},
        {"and no more", {{1, neutral}, {2, neutral}}, true, 2, 1, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.frame ? gamma.applyChanges(step.gains) : gamma.apply(step.gains);
        EXPECT_EQ(displays.writesTo(1), step.writesTo1);
        EXPECT_EQ(displays.writesTo(2), step.writesTo2);
        EXPECT_EQ(displays.restores(), step.restores);
    }
    // A write that failed is tried again by the next frame, even with the same gains.
    displays.failures(2).writeError = 1001;
    gamma.applyChanges({{1, warm}, {2, warm}});
    displays.failures(2).writeError = 0;
    gamma.applyChanges({{1, warm}, {2, warm}});
    EXPECT_FLOAT_EQ(lastBlue(displays, 2), 0.6f);
    // One batch a watchdog tick, whatever the number of displays.
    const int reads = displays.readBatches();
    time.advance(2s);
    EXPECT_EQ(displays.readBatches(), reads + 1);
}

}  // namespace
}  // namespace vesperine
