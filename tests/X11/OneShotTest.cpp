// Commands typed while no Vesperine runs act once on the test server's output and leave the
// ramp there; the ramps are read back by another client of the server.
#include "ProgramRun.h"

#include "State/DisplayMode.h"
#include "Support/PrivateBus.h"

namespace vesperine::testing_x11 {
namespace {

using OneShotTest = OnTheServer;

Ramp warmOn(const Ramp& own, double kelvin) {
    const auto gains = DisplayMode::warm(kelvin).target().gains;
    return scaled(own, gains.r, gains.g, gains.b);
}

// Row by row on one output whose own ramp is a calibration: a tint is that ramp scaled (a
// second command never stacks on the first), off gives the calibration back from the record
// the tint left, a tint another program left is no one's to clear but reset's, and without a
// session bus the lock alone says that no instance runs.
TEST_F(OneShotTest, CommandsWithoutAnInstanceActOnceAndLeaveTheRamp) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    fs::create_directories(home / "run");
    const Ramp own = curve(256, 0.8);
    const Ramp foreign = scaled(identity, 1, 0.6, 0.4);
    other.setRamp("DUMMY0", own);

    struct Row {
        const char* arguments;
        const Ramp* before;  // set by another program first, if any
        bool withBus;
        int status;
        std::string said;  // the start of what the command prints
        Ramp shows;
    };
    const Row rows[] = {
        {"warm 3400", nullptr, true, 0, "Showing Warm 3400K (not running: it stays until",
         warmOn(own, 3400)},
        {"red 80", nullptr, true, 0, "Showing Red 80%", scaled(own, 0.8, 0, 0)},
        {"off", nullptr, true, 0, "Showing Off (not running)\n", own},
        {"off", &foreign, true, 0, "Showing Off (not running)\n", foreign},
        {"reset", nullptr, true, 0, "Showing Off (not running)\n", identity},
        {"warm 2700", nullptr, false, 0, "Showing Warm 2700K", warmOn(identity, 2700)},
        {"reset", nullptr, false, 0, "Showing Off (not running)\n", identity},
    };
    for (const Row& row : rows) {
        if (row.before) other.setRamp("DUMMY0", *row.before);
        const CommandRun ran = vesperine(
            row.arguments, row.withBus ? bus.address() : "unix:path=" + (home / "no-bus").string());
        EXPECT_EQ(ran.status, row.status) << row.arguments << ": " << ran.output;
        EXPECT_TRUE(ran.output.starts_with(row.said)) << row.arguments << ": " << ran.output;
        EXPECT_LE(maxDifference(other.ramp("DUMMY0"), row.shows), 2) << row.arguments;
    }
}

}  // namespace
}  // namespace vesperine::testing_x11
