// The real program on the test X server with a private session bus: the commands a user
// types reach it over its control interface, and what they do shows on the outputs.
#include "ProgramRun.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <regex>

#include "State/DisplayMode.h"
#include "Support/Json.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"

namespace vesperine::testing_x11 {
namespace {

class ControlTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(other.display(), nullptr) << "no test X server";
        ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
        other.setRamp("DUMMY0", identity);
    }
    void TearDown() override { other.setRamp("DUMMY0", identity); }

    using Ran = CommandRun;  // stdout and stderr
    // `vesperine <arguments>` as a user runs it in the session of the program the test
    // starts: on the test's session bus (or `on`), with the program's runtime folder, after
    // `prefix` (which may change that environment).
    Ran command(const std::string& arguments, const std::string& on = "",
                const std::string& prefix = "") const {
        const std::string line = "DBUS_SESSION_BUS_ADDRESS='" + (on.empty() ? bus.address() : on) +
                                 "' XDG_RUNTIME_DIR='" + (home / "run").string() +
                                 "' XDG_DATA_HOME='" + (home / "data").string() +
                                 "' XDG_CONFIG_HOME='" + (home / "config").string() + "' TZ=UTC " +
                                 prefix + VESPERINE_PROGRAM + " " + arguments + " 2>&1 </dev/null";
        return runCommand(line);
    }
    bool showsBlue(double gain) const {
        return std::abs(end(other.ramp("DUMMY0").b) - gain) < 0.01;
    }
    bool showsWarm(double kelvin) const {
        return showsBlue(DisplayMode::warm(kelvin).target().gains.b) &&
               std::abs(end(other.ramp("DUMMY0").r) - 1.0) < 0.01;
    }

    XClient other;
    TempFolder home;
    PrivateBus bus;
};

// The control interface's declarations, one line each ("arg direction=in name=kind type=s"),
// without comments and annotations.
std::vector<std::string> declarations(std::string xml) {
    xml = std::regex_replace(xml, std::regex("<!--[\\s\\S]*?-->"), "");
    const auto from = xml.find("<interface name=\"com.brevan.vesperine.Control\"");
    const auto to = xml.find("</interface>", from);
    if (from == std::string::npos || to == std::string::npos) return {};
    const std::string body = xml.substr(from, to - from);
    const std::regex tag("<(method|arg|property|signal)\\b([^>]*?)/?>");
    const std::regex attribute("(\\w+)=\"([^\"]*)\"");
    std::vector<std::string> found;
    for (std::sregex_iterator it(body.begin(), body.end(), tag), last; it != last; ++it) {
        const std::string attributes = (*it)[2];
        std::vector<std::string> pairs;
        for (std::sregex_iterator a(attributes.begin(), attributes.end(), attribute); a != last;
             ++a)
            pairs.push_back((*a)[1].str() + "=" + (*a)[2].str());
        std::sort(pairs.begin(), pairs.end());
        std::string line = (*it)[1];
        for (const auto& pair : pairs) line += " " + pair;
        found.push_back(line);
    }
    return found;
}

std::string introspect(sd_bus* bus) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string xml;
    const char* text = nullptr;
    if (sd_bus_call_method(bus, "com.brevan.vesperine", "/com/brevan/vesperine",
                           "org.freedesktop.DBus.Introspectable", "Introspect", &error, &reply,
                           "") >= 0 &&
        sd_bus_message_read(reply, "s", &text) >= 0)
        xml = text;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return xml;
}

// With no instance, a command that needs one says so and fails (status and location work from
// the stored file, and the changes act once by themselves); bad input is a usage error. Then
// each command changes what the output shows (21:00: the default schedule's Warm 3400 K),
// status words it, every change is announced, what no
// display here can show is refused, the location follows at once, a later launch is answered
// over the bus, and the interface is the one the repository documents.
TEST_F(ControlTest, CommandsActOnTheRunningInstanceOverTheSessionBus) {
    const Ran none = command("resume");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.output, "vesperine: Vesperine isn't running; start it with \"vesperine\"\n");
    const Ran stored = command("status");
    EXPECT_EQ(stored.status, 0);
    EXPECT_NE(stored.output.find(" by the schedule now (not running)\nSchedule: Day & Night; next "
                                 "change at "),
              std::string::npos)
        << stored.output;
    EXPECT_EQ(command("location 91:0").status, 2);
    const Ran typo = command("warm 9000");
    EXPECT_EQ(typo.status, 2);
    EXPECT_EQ(typo.output,
              "vesperine: warm wants a strength from 1200K to 6500K, not '9000'\n"
              "Try 'vesperine --help'.\n");
    const Ran nowhere = command("status", "", "env -u DBUS_SESSION_BUS_ADDRESS -u XDG_RUNTIME_DIR ");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.output.find("Couldn't connect to the session bus: none is named here "
                                  "(neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set)"),
              std::string::npos)
        << nowhere.output;

    const std::string session = "DBUS_SESSION_BUS_ADDRESS=" + bus.address();
    Program program(home.path(), {"--clock-start=21:00"}, {session});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    ASSERT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();

    // The dummy server's outputs have no HDR: Bright is refused, with or without a strength,
    // and nothing changes.
    for (const char* bright : {"bright 200", "bright"}) {
        const Ran refused = command(bright);
        EXPECT_EQ(refused.status, 1) << bright;
        EXPECT_NE(refused.output.find(
                      "Bright needs an HDR display, which this computer doesn't have."),
                  std::string::npos)
            << refused.output;
    }
    EXPECT_TRUE(showsWarm(3400));
    EXPECT_NE(command("status").output.find("Why: the schedule\n"), std::string::npos);

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

    const Ran warm = command("warm 2700");
    EXPECT_EQ(warm.status, 0);
    EXPECT_EQ(warm.output, "Showing Warm 2700K\n");
    EXPECT_TRUE(spin([&] { return showsWarm(2700); }, 3s));
    EXPECT_EQ(command("status").output,
              "Showing Warm 2700K\nWhy: a pick by hand, until the next scheduled change\n"
              "Schedule: Day & Night; next change at 23:00 to Red 80%\n");
    EXPECT_TRUE(spin([&] {
        while (sd_bus_process(watcher.raw(), nullptr) > 0) {
        }
        return changes > 0;
    }));

    EXPECT_EQ(command("off").output, "Showing Off\n");
    EXPECT_TRUE(spin([&] { return other.ramp("DUMMY0") == identity; }, 3s));
    EXPECT_EQ(command("resume").output, "Showing Warm 3400K\n");
    EXPECT_TRUE(spin([&] { return showsWarm(3400); }, 3s));
    EXPECT_EQ(command("reset").status, 0);
    EXPECT_TRUE(spin([&] { return other.ramp("DUMMY0") == identity; }, 3s));
    EXPECT_NE(command("status").output.find("Why: a pick by hand, until changed"),
              std::string::npos);
    EXPECT_EQ(command("location -33.9:18.4").output, "Location: 33.9° S, 18.4° E\n");
    EXPECT_EQ(command("location").output, "Location: 33.9° S, 18.4° E\n");
    EXPECT_EQ(command("location --clear").output,  // UTC has no city
              "No location set; sunrise and sunset steps use 07:00 and 19:00\n");

    // A later launch on the same bus is answered, as every later launch is, by the holder
    // of the instance lock.
    Program second(home / "second", {}, {session, "XDG_RUNTIME_DIR=" + (home / "run").string()});
    EXPECT_EQ(second.wait(5s), 0) << second.log();
    EXPECT_TRUE(spin([&] { return program.log().find("by a second launch") != std::string::npos; }));

    std::ifstream file(VESPERINE_CONTROL_XML);
    const std::string documented{std::istreambuf_iterator<char>(file), {}};
    const auto published = declarations(introspect(watcher.raw()));
    EXPECT_FALSE(published.empty());
    EXPECT_EQ(published, declarations(documented));

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(5s), 0) << program.log();
    // Kept for the next start.
    const std::string zurich =
        "Location: Zürich, Switzerland (47.3769° N, 8.5417° E) (not running)\n";
    EXPECT_EQ(command("location zurich").output, zurich);
    EXPECT_EQ(command("location").output, zurich);
}

// The bus name is a way to reach the instance, the instance lock what makes it one: a
// process that took the name first is named and never taken for Vesperine, does not keep the
// program from starting, and the program takes the name once it is free. A command the
// program receives while it is stopped may still take effect, and says so.
TEST_F(ControlTest, TheNameIsTrustedOnlyFromTheLockHolder) {
    auto squatter = std::make_unique<BusClient>(bus.address(), "com.brevan.vesperine");
    ASSERT_TRUE(squatter->ok());
    const std::string us = "process " + std::to_string(::getpid());
    const Ran alone = command("status");
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.output.find(us + " (vesperine_x11_tests) holds com.brevan.vesperine on the "
                                     "session bus, but Vesperine isn't running"),
              std::string::npos)
        << alone.output;

    Program program(home.path(), {"--clock-start=21:00"},
                    {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    EXPECT_TRUE(spin([&] { return program.log().find(us + " (vesperine_x11_tests) holds the name") !=
                                  std::string::npos; }))
        << program.log();
    const Ran held = command("warm 2700");
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.output.find("not the running Vesperine (process " +
                               std::to_string(program.pid())),
              std::string::npos)
        << held.output;
    squatter.reset();
    EXPECT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();

    program.signal(SIGSTOP);
    const Ran late = command("red 40");
    program.signal(SIGCONT);
    EXPECT_EQ(late.status, 3);
    EXPECT_EQ(late.output, "vesperine: The running Vesperine did not answer within 2 s; what was "
                           "asked may still take effect once it answers\n");
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(5s), 0) << program.log();
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
    const Ran status = command("status", silent);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
    EXPECT_EQ(status.status, 1);
    EXPECT_EQ(status.output, "vesperine: Couldn't connect to the session bus: it did not answer "
                             "within 2 s; no running Vesperine was asked\n");

    const std::string session = "DBUS_SESSION_BUS_ADDRESS=" + silent;
    Program program(home.path(), {"--clock-start=21:00"}, {session});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    Program second(home / "second", {}, {session, "XDG_RUNTIME_DIR=" + (home / "run").string()});
    EXPECT_EQ(second.wait(8s), 0) << second.log();
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(5s), 0) << program.log();
    ::close(listener);
}

// A schedule name the file keeps but the bus cannot carry as it stands (a noncharacter, a
// NUL), with terminal escapes, a bidirectional override and 10,000 more characters: the
// status reads over the bus with U+FFFD in place of what it cannot carry, commands succeed,
// the terminal and the log get visible escapes, and the file keeps the name as it was.
TEST_F(ControlTest, AHostileScheduleNameNeverBreaksTheInterfaceOrTheTerminal) {
    std::string accents;
    for (int i = 0; i < 10'000; ++i) accents += "é";
    const fs::path file = home / "data/com.brevan.vesperine/schedules.json";
    fs::create_directories(file.parent_path());
    std::ofstream(file)
        << R"({"custom":[{"id":"5C1B6A52-0009-4000-8000-000000000009","name":)"
        << R"("Night\uffff\u001b[2J\u001b]0;owned\u0007\u202e)" << accents
        << R"(\u0000","keyframes":[{"id":"5C1B6A52-0001-4000-8000-00000000000A","time":{"clock":)"
        << R"({"hour":0,"minute":0}},"mode":{"warm":{"kelvin":3400}},"transitionMinutes":0}],)"
        << R"("isBuiltIn":false}],"activeID":"5C1B6A52-0009-4000-8000-000000000009"})";

    Program program(home.path(), {}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return showsWarm(3400); }, 10s)) << program.log();
    ASSERT_TRUE(spin([&] { return command("status").status == 0; }, 5s)) << program.log();

    const Ran status = command("status");
    // What the bus carried, made safe for the terminal.
    EXPECT_NE(status.output.find("\nSchedule: Night\uFFFD\\x1B[2J\\x1B]0;owned\\x07\\u202E" +
                                 accents + "\uFFFD;"),
              std::string::npos)
        << status.output.substr(0, 200);
    const Ran warm = command("warm 2700");
    EXPECT_EQ(warm.status, 0) << warm.output;
    EXPECT_TRUE(spin([&] { return showsWarm(2700); }, 3s));

    BusClient reader(bus.address(), nullptr);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    char* name = nullptr;
    ASSERT_GE(sd_bus_get_property_string(reader.raw(), "com.brevan.vesperine",
                                         "/com/brevan/vesperine", "com.brevan.vesperine.Control",
                                         "Schedule", &error, &name),
              0)
        << (error.message ? error.message : "");
    EXPECT_EQ(std::string(name),
              "Night\uFFFD\x1B[2J\x1B]0;owned\x07\u202E" + accents + "\uFFFD");
    std::free(name);
    sd_bus_error_free(&error);

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(5s), 0) << program.log();
    EXPECT_EQ(program.log().find('\x1B'), std::string::npos);
    EXPECT_NE(program.log().find("Night\uFFFF\\x1B[2J\\x1B]0;owned\\x07\\u202E"),
              std::string::npos);
    std::stringstream kept;
    kept << std::ifstream(file).rdbuf();
    const auto tree = json::parse(kept.str());
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ((*tree)["custom"][0]["name"],
              "Night\uFFFF\x1B[2J\x1B]0;owned\x07\u202E" + accents + std::string(1, '\0'));
}

}  // namespace
}  // namespace vesperine::testing_x11
