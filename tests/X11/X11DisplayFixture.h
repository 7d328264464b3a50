// Our side of the real-display tests: one connection, its RandR displays and a real poll loop,
// with the server's outputs put back to one identity-ramped monitor around each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Linux/PollLoop.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "RandrClient.h"

namespace vesperine::testing_x11 {

class X11DisplayFixture : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(other.display(), nullptr) << "no test X server";
        removeSecondMonitor();
        other.setRamp("DUMMY0", RandrClient::curve(256, 1.0));
        auto opened = X11Connection::open("", logger);
        ASSERT_TRUE(opened.ok()) << opened.error().description;
        connection = std::move(opened).value();
        connection->attach(loop, loop);
        displays = std::make_unique<X11Displays>(*connection, logger);
        first = static_cast<DisplayID>(other.output("DUMMY0"));
        second = static_cast<DisplayID>(other.output("DUMMY1"));
    }
    void TearDown() override {
        displays.reset();
        connection.reset();
        removeSecondMonitor();
        other.setRamp("DUMMY0", RandrClient::curve(256, 1.0));
    }
    // Lets queued RandR events reach the backend.
    void settle(double seconds = 0.1) { loop.runFor(*durationFromSeconds(seconds)); }

    RandrClient other;
    CapturingLogger logger;
    PollLoop loop;
    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<X11Displays> displays;
    DisplayID first = 0, second = 0;
};

// Largest difference, in ramp units (1/65535), between two ramps of equal size.
inline int maxDifference(const std::vector<unsigned short>& a,
                         const std::vector<unsigned short>& b) {
    if (a.size() != b.size()) return 65535;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

}  // namespace vesperine::testing_x11
