#include "Display/DisplayMonitor.h"

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
    EXPECT_TRUE(logger.contains("display event: wake", "monitor"));

    monitor.stop();
    system.fire(SystemEvent::wake);
    displays.fireReconfiguration(1);
    time.advance(1s);
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(system.observers(), 0u);
}

}  // namespace
}  // namespace vesperine
