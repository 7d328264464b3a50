#include "Display/GammaController.h"

#include <limits>

#include "DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

TEST(GammaTable, IdentityResampleAndScale) {
    auto ramp = GammaTable::Channels::identity(256);
    EXPECT_EQ(ramp.g[51], 0.2f);

    EXPECT_EQ(GammaTable::resampled(GammaTable::Channels{{0, 1}, {0, 1}, {0, 1}}, 256), ramp);
    // Degenerate sizes are safe rather than undefined.
    EXPECT_EQ(GammaTable::resampled(GammaTable::Channels{}, 4).r, std::vector<float>(4, 0.0f));
    EXPECT_EQ(GammaTable::resampled(ramp, 1).r, std::vector<float>{0.0f});

    auto tinted = GammaTable::scaled(ramp, {1.0, 0.5, 0.0});
    EXPECT_EQ(tinted.g[255], 0.5f);
    EXPECT_EQ(GammaTable::scaled(ramp, {1.3, 1.3, 1.3}).r.back(), 1.3f);  // not clamped
}

class GammaControllerTest : public testing::Test {
protected:
    void SetUp() override {
        displays.add(screen(1));
        displays.add(screen(2));
    }
    SimulatedDisplays displays;
    VirtualTime time;
    CapturingLogger logger;
    GammaController gamma{displays, time, logger};
};

// Frames write only what changes the displays; `apply` (a reassert, a display event) writes all.
// The watchdog runs exactly while some display is tinted.
TEST_F(GammaControllerTest, FramesWriteOnlyWhatChangesInOneBatch) {
    const RGBGains warm{1, 0.8, 0.6}, neutral{1, 1, 1};
    gamma.applyChanges({{1, neutral}, {2, neutral}});  // first of the run: tables of a killed run go
    EXPECT_EQ(displays.restores(), 1);
    const struct Step {
        const char* name;
        std::map<DisplayID, RGBGains> gains;
        bool frame;  // applyChanges, else apply
        int writesTo1, writesTo2, restores;
        bool watchdog;
    } steps[] = {
        {"neutral again: nothing", {{1, neutral}, {2, neutral}}, true, 0, 0, 1, false},
        {"a tint beside a display of its own", {{1, warm}, {2, neutral}}, true, 1, 0, 1, true},
        {"a rewrite that is asked for", {{1, warm}, {2, neutral}}, false, 2, 1, 1, true},
        {"back to neutral: a restore", {{1, neutral}, {2, neutral}}, false, 2, 1, 2, false},
        {"nothing to show", {}, false, 2, 1, 3, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.frame ? gamma.applyChanges(step.gains) : gamma.apply(step.gains);
        EXPECT_EQ(displays.writesTo(1), step.writesTo1);
        EXPECT_EQ(displays.writesTo(2), step.writesTo2);
        EXPECT_EQ(displays.restores(), step.restores);
        EXPECT_EQ(gamma.watchdogRunning(), step.watchdog);
        EXPECT_EQ(gamma.applied().empty(), !step.watchdog);
    }
    EXPECT_EQ(lastBlue(displays, 1), 1.0f);
    // One batch a watchdog tick, whatever the number of displays; none while frames come
    // faster than the ticks, and the first one two seconds after the last frame. (A write that
    // failed, tried again by the next frame: BadDisplayTest.)
    gamma.applyChanges({{1, warm}, {2, warm}});
    const int reads = displays.readBatches();
    time.advance(2s);
    EXPECT_EQ(displays.readBatches(), reads + 1);
    for (double b : {0.5, 0.4, 0.3}) {
        time.advance(1500ms);
        gamma.applyChanges({{1, {1, 0.8, b}}, {2, warm}});
    }
    time.advance(1999ms);
    EXPECT_EQ(displays.readBatches(), reads + 1);
    time.advance(1ms);
    EXPECT_EQ(displays.readBatches(), reads + 2);
}

TEST_F(GammaControllerTest, BaselinesAreCleanedAndResampled) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    // The display's own table, its gamma size, whether it is refused, the count a read
    // reports when it is not the table's.
    using Table = SimulatedDisplays::Table;
    const std::tuple<const char*, Table, std::size_t, bool, std::optional<std::size_t>> cases[] = {
        {"dimmed but visible kept", {{0, 0.3f}, {0, 0.3f}, {0, 0.3f}}, 2, false, {}},
        {"above white refused", {{0, 1.05f}, {0, 1.05f}, {0, 1.05f}}, 2, true, {}},
        {"NaN from a driver refused", {{0, 1}, {0, nan}, {0, 1}}, 2, true, {}},
        // A driver that reads back zeros: taking that as the display's own would tint black.
        {"black refused", {{0, 0}, {0, 0}, {0, 0}}, 2, true, {}},
        {"entry far above white refused", {{0, 7, 1}, {0, 0.5f, 1}, {0, 0.5f, 1}}, 3, true, {}},
        {"1024 entries resampled", SimulatedDisplays::identity(1024), 1024, false, {}},
        {"count beyond the buffer", SimulatedDisplays::identity(1024), 1024, false,
         std::size_t{1'000'000}},
        {"too short", {{1}, {1}, {1}}, 1, true, {}},
    };
    for (const auto& [name, own, gammaSize, refused, reported] : cases) {
        SCOPED_TRACE(name);
        SimulatedDisplays local;
        local.add(screen(7), gammaSize);
        local.setOwnTable(7, own);
        if (reported) local.failures(7).reportedCount = reported;
        GammaController controller(local, time, logger);
        controller.apply({0.9, 0.8, 0.7}, {7});
        const auto& base = controller.baselines().at(7);
        EXPECT_EQ(base.count(), 256u);
        if (refused) {
            EXPECT_EQ(base, GammaTable::Channels::identity(256));
        } else {
            EXPECT_EQ(base, GammaTable::resampled({own.r, own.g, own.b}, 256));
        }
    }
}

TEST_F(GammaControllerTest, BaselinesSurviveRestoreAndTheFirstWriteOfARunStartsClean) {
    // A tint left on the table by an earlier run that was killed.
    displays.setTable(1, {{0, 1}, {0, 0.8f}, {0, 0.6f}});
    gamma.apply({1.0, 0.9, 0.9}, {1});
    EXPECT_FLOAT_EQ(lastGreen(displays, 1), 0.9f);                        // not 0.8 × 0.9
    displays.setOwnTable(1, {{0, 0.5f, 1}, {0, 0.5f, 1}, {0, 0.5f, 1}});  // a new profile, unseen
    gamma.restore();
    gamma.apply({1.0, 0.5, 0.5}, {1});
    EXPECT_EQ(gamma.baselines().at(1), GammaTable::Channels::identity(256));  // kept, not re-read
}

// Whatever ends up on a table, a repair that does not hold is made once, not every tick, nor
// logged again; the display beside it is left alone, and a steady table is no drift.
TEST_F(GammaControllerTest, ARepairThatDoesNotHoldIsMadeOnce) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<const char*, SimulatedDisplays::Table> cases[] = {
        {"another program's reset", SimulatedDisplays::identity(256)},
        {"NaN", {{0, nan}, {0, nan}, {0, nan}}},
        {"below black", {{0, -1}, {0, -1}, {0, -1}}}};
    for (const auto& [name, table] : cases) {
        SCOPED_TRACE(name);
        SimulatedDisplays local;
        local.add(screen(3));
        local.add(screen(4));
        GammaController controller(local, time, logger);
        logger.clear();
        controller.apply(RGBGains{1, 0.8, 0.6}, {3, 4});
        time.advance(2s);
        EXPECT_EQ(logger.count("Gamma drifted"), 0u);
        local.setTable(3, table);
        time.advance(2s);
        EXPECT_FLOAT_EQ(lastBlue(local, 3), 0.6f);  // the tint put back
        for (int tick = 1; tick < 3; ++tick) {
            local.setTable(3, table);
            time.advance(2s);
        }
        EXPECT_EQ(logger.count("Gamma drifted on display 3", "gamma"), 1u);
        EXPECT_EQ(local.writesTo(3), 2);
        EXPECT_EQ(local.writesTo(4), 1);
    }
}

// A display without boost beside a boosted one has neutral gains. Repairing it through the
// all-neutral path used to restore every display and stop the watchdog, dropping the boost.
TEST_F(GammaControllerTest, RepairingANeutralDisplayLeavesTheOthersTinted) {
    gamma.apply({{1, RGBGains{1, 0.8, 0.6}}, {2, RGBGains{1, 1, 1}}});
    displays.setTable(2, {{0, 1}, {0, 0.5f}, {0, 0.5f}});
    time.advance(2s);
    EXPECT_EQ(lastGreen(displays, 2), 1.0f);
    EXPECT_FLOAT_EQ(lastBlue(displays, 1), 0.6f);
    EXPECT_TRUE(gamma.watchdogRunning());
    EXPECT_EQ(gamma.applied().size(), 2u);
}

// Many drivers keep 8 or 10 bits per entry: what they give back is what we wrote, rounded.
// Taking that rounding for drift would have the watchdog "repair" every two seconds.
TEST_F(GammaControllerTest, ReadBackRoundedByTheHardwareIsNotDrift) {
    for (int bits : {8, 10}) {
        SCOPED_TRACE(bits);
        SimulatedDisplays local;
        local.add(screen(5));
        local.failures(5).keptBits = bits;
        GammaController controller(local, time, logger);
        logger.clear();
        controller.apply(RGBGains{0.9987, 0.8037, 0.6021}, {5});
        const int writes = local.writes();
        time.advance(20s);
        EXPECT_EQ(local.writes(), writes);
        EXPECT_EQ(logger.count("Gamma drifted"), 0u);
    }
}

}  // namespace
}  // namespace vesperine
