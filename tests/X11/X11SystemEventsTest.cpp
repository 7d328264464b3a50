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
    int spaces = 0;
    Handle handle = events.observe(SystemEvent::spaceChanged, [&] { ++spaces; });
    // As a window manager sets them: another root property, then the current desktop.
    other.longs(other.root(), "_NET_ACTIVE_WINDOW", "WINDOW", {0});
    spinFor(300ms);
    EXPECT_EQ(spaces, 0);
    other.longs(other.root(), "_NET_CURRENT_DESKTOP", "CARDINAL", {1});
    EXPECT_TRUE(spin([&] { return spaces == 1; }));
}

}  // namespace
}  // namespace vesperine::testing_x11
