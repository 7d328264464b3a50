#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/X11/X11Connection.h"

using namespace vesperine;

TEST(X11Connection, OpensTheTestServerAndTrapsProtocolErrors) {
    CapturingLogger logger;
    auto connection = X11Connection::open("", logger);
    ASSERT_TRUE(connection.ok()) << connection.error().description;
    Display* display = (*connection)->display();
    {
        X11ErrorTrap trap(display);
        XMapWindow(display, 0x7FFFFF);  // no such window
        auto status = trap.check();
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(trap.firstErrorCode(), BadWindow);
    }
    {
        X11ErrorTrap trap(display);
        XSync(display, False);
        EXPECT_TRUE(trap.check().ok());
    }
}

TEST(X11Connection, UnreachableDisplayIsAnErrorNotAnExit) {
    CapturingLogger logger;
    auto connection = X11Connection::open(":4999", logger);
    ASSERT_FALSE(connection.ok());
    EXPECT_NE(connection.error().description.find(":4999"), std::string::npos);
}
