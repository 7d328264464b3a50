// The real program on the test X server with a private session bus: the commands a user
// types reach it over its control interface, and what they do shows on the outputs.
#include "ProgramRun.h"

#include <sys/socket.h>
#include <sys/un.h>

#include "State/DisplayMode.h"
#include "Support/Json.h"
#include "Support/PrivateBus.h"

namespace vesperine::testing_x11 {
namespace {

class ControlTest : public OnTheServer {
protected:
    void SetUp() override {
        OnTheServer::SetUp();
        ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    }
    CommandRun command(const std::string& arguments) const {
        return vesperine(arguments, bus.address());
    }
    bool showsWarm(double kelvin) const {
        return shows(1.0, DisplayMode::warm(kelvin).target().gains.b);
    }
    bool showsOff() const { return other.ramp("DUMMY0") == identity; }

    // A command, its status, what it says (all of its output, or a part) and, where given,
    // what DUMMY0 shows after it.
    struct Row {
        const char* arguments;
        int status;
        std::string said;
        bool whole = true;
        std::function<bool()> shows = {};
    };
    void expectRows(const std::vector<Row>& rows) const {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.arguments);
            const CommandRun ran = command(row.arguments);
            EXPECT_EQ(ran.status, row.status) << ran.output;
            if (row.whole) {
                EXPECT_EQ(ran.output, row.said);
            } else {
                EXPECT_NE(ran.output.find(row.said), std::string::npos) << ran.output;
            }
            EXPECT_TRUE(!row.shows || spin(row.shows, 3s));
        }
    }
    PrivateBus bus;
};

// With no instance, a command that needs one says so and fails. Then each command changes
// what the output shows (21:00: the default schedule's Warm 3400 K), status words it, what no
// display here can show is refused, the location follows at once, and every change is
// announced to whoever watches the status.
TEST_F(ControlTest, CommandsActOnTheRunningInstanceOverTheSessionBus) {
    expectRows(
        {{"resume", 1, "vesperine: Vesperine isn't running; start it with \"vesperine\"\n"}});
    BusClient watcher(bus.address(), nullptr);
    ASSERT_TRUE(watcher.ok());
    int changes = 0;
    ASSERT_GE(sd_bus_match_signal(
                  watcher.raw(), nullptr, "com.brevan.vesperine", "/com/brevan/vesperine",
                  "org.freedesktop.DBus.Properties", "PropertiesChanged",
                  [](sd_bus_message*, void* count, sd_bus_error*) {
                      ++*static_cast<int*>(count);
                      return 0;
                  },
                  &changes),
              0);
    Program program(home.path(), {"--clock-start=21:00"},
                    {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    ASSERT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();

    const auto warm = [this](double kelvin) {
        return [this, kelvin] { return showsWarm(kelvin); };
    };
    const auto off = [this] { return showsOff(); };
    // The dummy server's outputs have no HDR: Bright is refused.
    const std::string noHDR = "Bright needs an HDR display, which this computer doesn't have.";
    expectRows({
        {"bright 200", 1, noHDR, false, warm(3400)},
        {"warm 2700", 0, "Showing Warm 2700K\n", true, warm(2700)},
        {"status", 0,
         "Showing Warm 2700K\nWhy: a pick by hand, until the next scheduled change\n"
         "Schedule: Day & Night; next change at 23:00 to Red 80%\n"},
        {"off", 0, "Showing Off\n", true, off},
        {"resume", 0, "Showing Warm 3400K\n", true, warm(3400)},
        {"reset", 0, "", false, off},
        {"status", 0, "Why: a pick by hand, until changed", false},
        {"location -33.9:18.4", 0, "Location: 33.9° S, 18.4° E\n"},
        {"location --clear", 0,  // UTC has no city
         "No location set; sunrise and sunset steps use 07:00 and 19:00\n"},
    });
    EXPECT_TRUE(spin([&] {
        while (sd_bus_process(watcher.raw(), nullptr) > 0) {
        }
        return changes > 0;
    }));
    EXPECT_EQ(program.end(), 0) << program.log();
}

// The bus name is a way to reach the instance, the instance lock what makes it one: a
// process that took the name first is named and never taken for Vesperine, does not keep the
// program from starting, and the program takes the name once it is free.
TEST_F(ControlTest, TheNameIsTrustedOnlyFromTheLockHolder) {
    auto squatter = std::make_unique<BusClient>(bus.address(), "com.brevan.vesperine");
    ASSERT_TRUE(squatter->ok());
    const std::string us = "process " + std::to_string(::getpid());
    const CommandRun alone = command("status");
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.output.find(us + " (vesperine_x11_tests) holds com.brevan.vesperine on the "
                                     "session bus, but Vesperine isn't running"),
              std::string::npos)
        << alone.output;

    Program program(home.path(), {"--clock-start=21:00"},
                    {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    EXPECT_TRUE(spin([&] { return program.logged(us + " (vesperine_x11_tests) holds the name"); }))
        << program.log();
    const CommandRun held = command("warm 2700");
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.output.find("not the running Vesperine (process " +
                               std::to_string(program.pid())),
              std::string::npos)
        << held.output;
    squatter.reset();
    EXPECT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();
    EXPECT_EQ(program.end(), 0) << program.log();
}

// A bus daemon that takes connections and never answers costs a command its bound, said as
// such, and costs the program nothing: it starts, later launches reach it through the
// instance lock, and a termination signal ends it.
TEST_F(ControlTest, ASilentBusCostsNoMoreThanTheBound) {
    const std::string socket = home / "silent-bus";
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 16), 0);  // connections queue up, never accepted
    const std::string silent = "unix:path=" + socket;

    const auto started = std::chrono::steady_clock::now();
    const CommandRun status = vesperine("status", silent);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
    EXPECT_EQ(status.status, 1);
    EXPECT_EQ(status.output, "vesperine: Couldn't connect to the session bus: it did not answer "
                             "within 2 s; no running Vesperine was asked\n");

    const std::string session = "DBUS_SESSION_BUS_ADDRESS=" + silent;
    Program program(home.path(), {"--clock-start=21:00"}, {session});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    Program second(home / "second", {}, {session, "XDG_RUNTIME_DIR=" + (home / "run").string()});
    EXPECT_EQ(second.wait(8s), 0) << second.log();
    EXPECT_EQ(program.end(), 0) << program.log();
    ::close(listener);
}

// A schedule name the file keeps but the bus cannot carry as it stands (a noncharacter, a
// NUL), with terminal escapes, a bidirectional override and 10,000 more characters: the
// status reads over the bus with U+FFFD in place of what it cannot carry, commands succeed,
// the terminal and the log get visible escapes, and the file keeps the name as it was.
TEST_F(ControlTest, AHostileScheduleNameNeverBreaksTheInterfaceOrTheTerminal) {
    std::string accents;
    for (int i = 0; i < 10'000; ++i) accents += "é";
    const std::string file = "data/com.brevan.vesperine/schedules.json";
    home.write(file,
               R"({"custom":[{"id":"5C1B6A52-0009-4000-8000-000000000009","name":)"
               R"("Night\uffff\u001b[2J\u001b]0;owned\u0007\u202e)" +
                   accents +
                   R"(\u0000","keyframes":[{"id":"5C1B6A52-0001-4000-8000-00000000000A","time":)"
                   R"({"clock":{"hour":0,"minute":0}},"mode":{"warm":{"kelvin":3400}},)"
                   R"("transitionMinutes":0}],"isBuiltIn":false}],)"
                   R"("activeID":"5C1B6A52-0009-4000-8000-000000000009"})");

    Program program(home.path(), {}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    ASSERT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();

    const CommandRun status = command("status");
    // What the bus carried, made safe for the terminal.
    EXPECT_NE(status.output.find("\nSchedule: Night\uFFFD\\x1B[2J\\x1B]0;owned\\x07\\u202E" +
                                 accents + "\uFFFD;"),
              std::string::npos)
        << status.output.substr(0, 200);
    expectRows(
        {{"warm 2700", 0, "Showing Warm 2700K\n", true, [this] { return showsWarm(2700); }}});

    EXPECT_EQ(program.end(), 0) << program.log();
    EXPECT_FALSE(program.logged("\x1B"));
    EXPECT_TRUE(program.logged("Night\uFFFF\\x1B[2J\\x1B]0;owned\\x07\\u202E"));
    const auto tree = json::parse(home.read(file));
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ((*tree)["custom"][0]["name"],
              "Night\uFFFF\x1B[2J\x1B]0;owned\x07\u202E" + accents + std::string(1, '\0'));
}

}  // namespace
}  // namespace vesperine::testing_x11
