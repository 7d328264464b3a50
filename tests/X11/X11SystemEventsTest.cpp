#include "X11Harness.h"

#include "Platform/X11/X11SystemEvents.h"

namespace vesperine::testing_x11 {
namespace {

TEST_F(X11DisplayFixture, ACurrentDesktopChangeIsASpaceChangeOtherPropertiesAreNot) {
    // Another backend's selection, which ours must add to.
    XSelectInput(connection->display(), connection->root(), StructureNotifyMask);
    X11SystemEvents events(*connection, logger);
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection->display(), connection->root(), &attributes);
    // Added, not replaced.
    EXPECT_EQ(attributes.your_event_mask, StructureNotifyMask | PropertyChangeMask);

    EXPECT_TRUE(events.canObserve(SystemEvent::spaceChanged));
    for (auto event : {SystemEvent::wake, SystemEvent::screensWake, SystemEvent::screenParameters,
                       SystemEvent::clockChanged, SystemEvent::timeZoneChanged}) {
        EXPECT_FALSE(events.canObserve(event));
    }
    int spaces = 0;
    Handle handle = events.observe(SystemEvent::spaceChanged, [&] { ++spaces; });
    struct Case {
        const char* name;
        const char* property;
        int heard;
    } cases[] = {{"desktop switched", "_NET_CURRENT_DESKTOP", 1},
                 {"active window changed", "_NET_ACTIVE_WINDOW", 0}};
    long desktop = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spaces = 0;
        ++desktop;
        Display* wm = other.display();  // as a window manager would
        XChangeProperty(wm, DefaultRootWindow(wm), XInternAtom(wm, c.property, False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<unsigned char*>(&desktop), 1);
        XSync(wm, False);
        spin([&] { return spaces > 0; }, c.heard ? 2s : 300ms);
        EXPECT_EQ(spaces, c.heard);
    }
}

}  // namespace
}  // namespace vesperine::testing_x11
