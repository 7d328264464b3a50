#include "Display/DisplayMonitor.h"
#include "Display/DisplayPipeline.h"

#include <cmath>

#include "Color/Kelvin.h"
#include "DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

TEST(DisplayMonitor, DebouncesReconfigurationForwardsSystemEventsAndSaysWhatItCannotObserve) {
    SimulatedDisplays displays;
    SimulatedSystemEvents system;
    system.makeUnavailable(SystemEvent::screensWake);
    VirtualTime time;
    CapturingLogger logger;
    DisplayMonitor monitor(displays, system, time, logger);
    std::vector<DisplayMonitor::Event> events;
    monitor.onEvent = [&](DisplayMonitor::Event e) { events.push_back(e); };
    monitor.start();
    EXPECT_TRUE(monitor.callbackRegistered());
    EXPECT_TRUE(logger.contains("screensWake cannot be observed", "monitor"));  // not faked

    for (int i = 0; i < 3; ++i) {
        displays.fireReconfiguration(1);
        time.advance(100ms);
    }
    EXPECT_TRUE(events.empty());
    time.advance(399ms);
    EXPECT_TRUE(events.empty());
    time.advance(1ms);  // 0.5 s after the third
    EXPECT_EQ(events, std::vector{DisplayMonitor::Event::reconfigured});

    system.fire(SystemEvent::wake);
    system.fire(SystemEvent::timeZoneChanged);
    EXPECT_EQ(events.back(), DisplayMonitor::Event::timeZoneChanged);

    monitor.stop();
    system.fire(SystemEvent::wake);
    displays.fireReconfiguration(1);
    time.advance(1s);
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(system.observers(), 0u);
}

class DisplayPipelineTest : public testing::Test, protected BoostDesk {};

TEST_F(DisplayPipelineTest, FadesByElapsedTimeAt33msFramesAndEndsExactlyOnTarget) {
    const DisplayTarget warm{1.0, Kelvin::gains(3400)};
    pipeline->apply(warm, 1.0);
    EXPECT_EQ(pipeline->target().get(), warm);
    EXPECT_EQ(pipeline->current().get(), DisplayTarget::off());  // starts on the next turn
    time.runDue();
    EXPECT_EQ(displays.writesTo(1), 0);  // the first frame is still off: a restore, no table
    time.advance(500ms);
    const double g = pipeline->current()->gains.g;
    EXPECT_GT(g, warm.gains.g);
    EXPECT_LT(g, 1.0);
    time.advance(600ms);
    EXPECT_EQ(pipeline->current().get(), warm);
    EXPECT_FALSE(pipeline->isFading());
    // 1 s at 33 ms frames: 32 frames (the last lands past the end), all but the first written.
    EXPECT_EQ(displays.writesTo(1), 31);
    EXPECT_FLOAT_EQ(lastGreen(displays, 1), static_cast<float>(warm.gains.g));

    // Nothing to do: no frame, no write.
    pipeline->apply(warm, 5);
    time.advance(6s);
    EXPECT_EQ(displays.writesTo(1), 31);
}

// A slow fade is paced by a far-off next frame: a new apply must not wait for it.
TEST_F(DisplayPipelineTest, ANewApplyCancelsTheSlowFadeAtOnce) {
    pipeline->apply({1.0, Kelvin::gains(3400)}, 1800);
    time.advance(10min);
    ASSERT_TRUE(pipeline->isFading());
    const DisplayTarget red{1.0, {0.8, 0, 0}};
    pipeline->apply(red, 0);
    time.runDue();
    EXPECT_EQ(pipeline->current().get(), red);
    EXPECT_EQ(lastGreen(displays, 1), 0.0f);
    const int writes = displays.writes();
    time.advance(30min);
    EXPECT_EQ(displays.writes(), writes);
}

TEST_F(DisplayPipelineTest, BoostIsLimitedByHeadroomAndOnlyOnCapableDisplays) {
    const DisplayTarget boosted{2.0, {1, 1, 1}};
    auto gains = pipeline->gains(boosted);
    EXPECT_NEAR(gains[1].r, std::pow(2.0, 1 / 2.2), 1e-12);
    EXPECT_EQ(gains[2].r, 1.0);
    displays.setHeadroom(1, 2.0);
    pipeline->handle(DisplayMonitor::Event::screenParameters);
    EXPECT_NEAR(pipeline->gains(boosted)[1].r, std::pow(1.25, 1 / 2.2), 1e-12);
    EXPECT_TRUE(pipeline->anyDisplaySupportsBoost());
}

TEST_F(DisplayPipelineTest, TriggersLiveExactlyWhileBoostShows) {
    EXPECT_FALSE(pipeline->boostCeiling());
    pipeline->apply({2.0, {1, 1, 1}}, 1);
    time.runDue();
    ASSERT_EQ(surfaces.liveSurfaces(), 1);  // created before the first frame, capable display only
    EXPECT_EQ(surfaces.records()[0]->display, 1u);
    EXPECT_EQ(pipeline->boostCeiling(), 2.5);
    time.advance(2s);
    EXPECT_GE(surfaces.records()[0]->draws, 10);  // redrawn every 0.2 s

    pipeline->apply(DisplayTarget::off(), 1);
    time.advance(900ms);
    EXPECT_EQ(surfaces.liveSurfaces(), 1);  // kept until the last frame
    time.advance(200ms);
    EXPECT_EQ(surfaces.liveSurfaces(), 0);
    EXPECT_TRUE(displays.restores() > 0);

    // No GPU device: no trigger, the gains still carry the boost.
    surfaces.available = false;
    pipeline->apply({2.0, {1, 1, 1}}, 0);
    time.runDue();
    EXPECT_EQ(surfaces.liveSurfaces(), 0);
    EXPECT_GT(lastRed(displays, 1), 1.0f);
}

TEST_F(DisplayPipelineTest, EventsRebuildAndReset) {
    pipeline->apply({1.0, Kelvin::gains(2700)}, 0);
    time.runDue();
    displays.add(screen(3, 1.0, 1.0, 3840));  // hot-plug mid-run
    pipeline->handle(DisplayMonitor::Event::reconfigured);
    EXPECT_TRUE(logger.contains("Display layout changed; rebuilding EDR triggers", "pipeline"));
    EXPECT_FLOAT_EQ(lastBlue(displays, 3), static_cast<float>(Kelvin::gains(2700).b));
    displays.remove(3);
    pipeline->handle(DisplayMonitor::Event::reconfigured);
    EXPECT_EQ(pipeline->displays()->size(), 2u);

    pipeline->reset();
    EXPECT_EQ(pipeline->current().get(), DisplayTarget::off());
    EXPECT_EQ(pipeline->target().get(), DisplayTarget::off());
    EXPECT_EQ(lastBlue(displays, 2), 1.0f);
    EXPECT_TRUE(logger.contains("Display reset", "pipeline"));
    EXPECT_FALSE(pipeline->gamma().watchdogRunning());
}

}  // namespace
}  // namespace vesperine
