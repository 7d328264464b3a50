#include "Display/DisplayMonitor.h"

#include "Display/DisplayCapabilities.h"
#include "Display/EDRTrigger.h"
#include "DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

TEST(DisplayMonitor, DebouncesReconfigurationAndForwardsSystemEvents) {
    SimulatedDisplays displays;
    SimulatedSystemEvents system;
    VirtualTime time;
    CapturingLogger logger;
    DisplayMonitor monitor(displays, system, time, logger);
    std::vector<DisplayMonitor::Event> events;
    monitor.onEvent = [&](DisplayMonitor::Event e) { events.push_back(e); };
    monitor.start();
    EXPECT_TRUE(monitor.callbackRegistered());

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
    EXPECT_TRUE(logger.contains("display event: wake", "monitor"));

    monitor.stop();
    system.fire(SystemEvent::wake);
    displays.fireReconfiguration(1);
    time.advance(1s);
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(system.observers(), 0u);
}

TEST(DisplayMonitor, UnobservableEventsAreSaidNotFaked) {
    SimulatedDisplays displays;
    SimulatedSystemEvents system;
    system.makeUnavailable(SystemEvent::screensWake);
    VirtualTime time;
    CapturingLogger logger;
    DisplayMonitor monitor(displays, system, time, logger);
    monitor.start();
    EXPECT_TRUE(logger.contains("screensWake cannot be observed", "monitor"));
}

TEST(DisplayCapabilities, BoostSupportAndHeadroom) {
    SimulatedDisplays displays;
    displays.add(screen(1, 16.0, 1.0));
    displays.add(screen(2, 1.0, 1.0, 1920));
    auto all = DisplayCapabilities::all(displays);
    EXPECT_TRUE(all[0].supportsBoost);
    EXPECT_EQ(all[0].currentHeadroom, 1.0);
    EXPECT_FALSE(all[1].supportsBoost);
    EXPECT_FALSE(DisplayCapabilities::screen(displays, 9));
}

TEST(EDRTrigger, OneRedrawTimerPerShowing) {
    SimulatedEDRSurfaces surfaces;
    VirtualTime time;
    auto trigger =
        EDRTrigger::make({4, "x", {1440, 0, 1512, 982}, 2.0, false, 16, 4}, surfaces, time);
    ASSERT_TRUE(trigger);
    EXPECT_EQ(surfaces.records()[0]->frame, (DisplayFrame{1440, 0, 1, 1}));
    EXPECT_EQ(surfaces.records()[0]->scale, 2.0);
    trigger->show();
    trigger->show();
    EXPECT_EQ(time.armedTimers(), 1u);
    time.advance(1s);
    EXPECT_EQ(surfaces.records()[0]->draws, 2 + 5);
    trigger->hide();
    EXPECT_FALSE(surfaces.records()[0]->inFront);
    EXPECT_EQ(time.armedTimers(), 0u);
    trigger->show();
    EXPECT_EQ(time.armedTimers(), 1u);
    surfaces.available = false;
    EXPECT_FALSE(EDRTrigger::make({5, "y", {}, 1.0, false, 16, 4}, surfaces, time));
}

}  // namespace
}  // namespace vesperine
