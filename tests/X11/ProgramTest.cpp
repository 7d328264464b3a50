// The real program on the test X server: started as a separate process with its own
// XDG folders, it follows its schedule on every output, gives the outputs back when it is
// told to end, and a second launch hands its request to the first one.
#include "ProgramRun.h"

#include <deque>
#include <thread>

#include "Persistence/Stored.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "State/Override.h"

namespace vesperine::testing_x11 {
namespace {

namespace fs = std::filesystem;

class ProgramTest : public OnTheServer {
protected:
    void SetUp() override {
        OnTheServer::SetUp();
        ASSERT_TRUE(addSecondMonitor());
        other.setRamp("DUMMY1", calibration);
        own[0] = other.ramp("DUMMY0");
        own[1] = other.ramp("DUMMY1");
    }
    // Both outputs show Warm 3400 K over their own ramps (blue at about 0.527 of its own).
    bool showsWarm() const {
        const auto warm = [&](const Ramp& now, const Ramp& own) {
            return std::abs(end(now.b) - 0.527 * end(own.b)) < 0.01 &&
                   std::abs(end(now.r) - end(own.r)) < 0.01;
        };
        return warm(other.ramp("DUMMY0"), own[0]) && warm(other.ramp("DUMMY1"), own[1]);
    }
    bool givenBack() const {
        return other.ramp("DUMMY0") == own[0] && other.ramp("DUMMY1") == own[1];
    }
    void startsWarm(const Program& program) {
        ASSERT_GT(program.pid(), 0);
        ASSERT_TRUE(spin([&] { return showsWarm(); }, 10s)) << program.log();
    }
    // Sends `signal`, then expects the clean end: status 0 and every output's own ramp back.
    void endsCleanly(Program& program, int signal = SIGTERM) {
        EXPECT_EQ(program.end(signal), 0) << program.log();
        EXPECT_TRUE(givenBack());
    }
    fs::path defaultsFile() const { return home / "config/com.brevan.vesperine/defaults.json"; }
    JsonFileDefaultsStore defaults() { return {files, fileLog, defaultsFile()}; }
    void saveOverride(DisplayMode mode) {
        auto store = defaults();
        ASSERT_TRUE(Stored::save(Override{mode, Override::Lifetime::indefinitely(), Instant()},
                                 Override::defaultsKey, store));
    }
    // For later launches: folders of their own, but the runtime folder of the first.
    std::string runtimeFolder() const { return "XDG_RUNTIME_DIR=" + (home / "run").string(); }

    // As a colour profile loads it: channel ends apart.
    const Ramp calibration = curve(256, 1.1, 1.0, 0.97, 0.92);
    Ramp own[2];
    CapturingLogger fileLog;
    PosixFileSystem files;
};

// 21:00 with no location known (UTC): the default schedule's evening step, Warm 3400 K.
// SIGUSR1 switches to Off and back, as the Off hot key does, whatever the standard streams are:
// a log line nobody reads is no reason to end with the tint left on, and the log never goes into
// a file or socket the program opened itself. Every signal a user may send that would end it
// ends it cleanly: a fault signal sent with kill(1) as well, and one of the real-time ones.
// (Which signals end it is the signal watcher's test; these are one of each kind it handles.)
TEST_F(ProgramTest, FollowsTheScheduleTogglesOnSIGUSR1AndGivesTheOutputsBackWhenToldToEnd) {
    const std::pair<int, Streams> runs[] = {
        {SIGTERM, Streams::logged},  {SIGINT, Streams::errorsPiped}, {SIGHUP, Streams::closed},
        {SIGRTMIN, Streams::logged}, {SIGABRT, Streams::logged},     {SIGSEGV, Streams::logged}};
    for (const auto& [signal, streams] : runs) {
        SCOPED_TRACE(strsignal(signal));
        Program program(home.path(), {"--clock-start=21:00"}, {}, streams);
        startsWarm(program);
        for (int fd = 0; streams == Streams::closed && fd <= 2; ++fd) {
            const fs::path fds = "/proc/" + std::to_string(program.pid()) + "/fd";
            EXPECT_EQ(fs::read_symlink(fds / std::to_string(fd)), "/dev/null") << fd;
        }
        if (signal == SIGTERM || streams != Streams::logged) {
            program.closeReader();
            program.signal(SIGUSR1);
            EXPECT_TRUE(spin([&] { return givenBack(); }, 5s)) << program.log();
            program.signal(SIGUSR1);
            EXPECT_TRUE(spin([&] { return showsWarm(); }, 5s)) << program.log();
        }
        endsCleanly(program, signal);
    }
}

// A server that accepts the connection but never answers (stopped) must not keep a
// termination signal waiting: nothing has been shown, so the program just ends.
TEST_F(ProgramTest, AServerThatNeverAnswersDoesNotHoldBackTermination) {
    PrivateServer server;
    const auto client = server.connect();
    ASSERT_TRUE(client->display());
    const Ramp before = client->ramp("DUMMY0");
    ASSERT_EQ(::kill(server.pid(), SIGSTOP), 0);
    std::optional<int> status;
    {
        Program program(home.path(), {"--clock-start=21:00"}, {"DISPLAY=" + server.name()});
        std::this_thread::sleep_for(1s);
        program.signal(SIGTERM);
        status = program.wait(3s);
    }
    ::kill(server.pid(), SIGCONT);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(client->ramp("DUMMY0"), before);
}

// Later launches hand their request to the first one: plain ones leave everything alone; a
// "--reset" is carried out before the launch ends. (Connections that say nothing on the socket:
// SingleInstanceTest.)
TEST_F(ProgramTest, LaterLaunchesActivateOrResetThroughTheRunningOne) {
    Program first(home.path(), {"--clock-start=21:00"});
    startsWarm(first);
    std::this_thread::sleep_for(1s);  // the start-up fade is over
    const Ramp shown = other.ramp("DUMMY1");
    Program second(home / "second", {}, {runtimeFolder()});
    ASSERT_EQ(second.wait(5s), 0) << second.log();
    EXPECT_EQ(maxDifference(other.ramp("DUMMY1"), shown), 0);
    EXPECT_TRUE(first.logged("Asked to come to the front by a second launch"));

    Program reset(home / "second", {"--reset"}, {runtimeFolder()});
    EXPECT_EQ(reset.wait(5s), 0) << reset.log();
    EXPECT_TRUE(givenBack());
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(givenBack());                  // and Off holds
    EXPECT_EQ(first.wait(0ms), std::nullopt);  // still running
    endsCleanly(first);
}

// A stopped first instance still holds the lock: later launches say it did not answer and
// end with the status that says so (it may still act), without hanging, and it does not
// carry out their requests once it runs again, after they gave up.
TEST_F(ProgramTest, AStoppedFirstInstanceMakesLaterLaunchesFailQuickly) {
    Program first(home.path(), {"--clock-start=21:00"});
    startsWarm(first);
    first.signal(SIGSTOP);
    std::deque<Program> later;
    for (int i = 0; i < 10; ++i)
        later.emplace_back(home / ("later" + std::to_string(i)),
                           std::vector<std::string>{"--reset"},
                           std::vector<std::string>{runtimeFolder()});
    for (auto& launch : later) {
        EXPECT_EQ(launch.wait(20s), 3) << launch.log();  // ten at once: slow under a sanitizer
        EXPECT_TRUE(launch.logged("did not answer within 2 s; it may still reset the displays"));
    }
    first.signal(SIGCONT);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(showsWarm()) << first.log();
    endsCleanly(first);
}

// Killed while it shows a warm override over both outputs' own ramps (DUMMY1's a
// calibration, whose channel ends differ as a tint's do), then started again with nothing to
// show: both outputs show their own ramps, neither a tint of the tint nor a plain ramp, and
// get them back at exit. Even a tint of 6000 K, close to an output's own ramp, is not kept.
TEST_F(ProgramTest, NoStackingAfterAKill) {
    for (double kelvin : {2700.0, 6000.0}) {
        SCOPED_TRACE(kelvin);
        saveOverride(DisplayMode::warm(kelvin));
        const double blue = DisplayMode::warm(kelvin).target().gains.b;
        {
            Program program(home.path(), {"--clock-start=12:00"});
            ASSERT_TRUE(
                spin([&] { return std::abs(end(other.ramp("DUMMY0").b) - blue) < 0.005; }, 10s))
                << program.log();
            std::this_thread::sleep_for(500ms);
            EXPECT_EQ(program.end(SIGKILL), 128 + SIGKILL);
        }
        const auto record = home / ("run/com.brevan.vesperine.ramps." +
                                    std::string(std::getenv("DISPLAY") + 1) + ".json");
        EXPECT_EQ(fs::status(record).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        fs::remove(defaultsFile());
        Program again(home.path(), {"--clock-start=12:00"});  // Bright: Off without extended range
        EXPECT_TRUE(spin([&] { return givenBack(); }, 5s)) << again.log();
        endsCleanly(again);
    }
}

// Started while its display has no server yet: it tries again with growing pauses, without
// spinning, and takes over once a server answers there. Typed in a terminal, the same start
// is a mistyped display, said at once.
TEST_F(ProgramTest, StartedBeforeTheServerItWaitsAndTakesOver) {
    const std::string name = PrivateServer::freeDisplay();
    Program typed(home / "typed", {}, {"DISPLAY=" + name}, Streams::typed);
    EXPECT_EQ(typed.wait(3s), 1) << typed.log();
    EXPECT_TRUE(typed.logged("Couldn't open X display " + name)) << typed.log();
    Program program(home.path(), {"--clock-start=21:00"}, {"DISPLAY=" + name});
    std::this_thread::sleep_for(2s);
    const std::string log = program.log();
    std::size_t tries = 0;
    for (auto at = log.find("trying again"); at != std::string::npos;
         at = log.find("trying again", at + 1))
        ++tries;
    EXPECT_TRUE(tries >= 2 && tries <= 4) << log;  // 0.25 + 0.5 + 1 s of pauses fit in 2 s

    PrivateServer server(name);
    const auto late = server.connect();
    ASSERT_TRUE(late->display());
    EXPECT_TRUE(spin([&] { return end(late->ramp("DUMMY0").b) < 0.6; }, 20s)) << program.log();
    EXPECT_EQ(program.end(), 0) << program.log();
    EXPECT_GT(end(late->ramp("DUMMY0").b), 0.99)  // a new server's own ramp ends at 65280
        << program.log();
}

// The record of the ramps a killed run found says nothing about a later start of the server
// on the same display number: a calibration loaded there is that output's own, tinted over
// and given back, not the ramp of the earlier start.
TEST_F(ProgramTest, ARecordOfAnotherServerStartIsIgnored) {
    const std::string name = PrivateServer::freeDisplay();
    saveOverride(DisplayMode::warm(2700));
    const double blue = DisplayMode::warm(2700).target().gains.b;
    for (const bool killed : {true, false}) {
        const Ramp own = killed ? calibration : curve(256, 1.2, 0.95, 1.0, 0.8);
        PrivateServer server(name);
        const auto client = server.connect();
        ASSERT_TRUE(client->display());
        client->setRamp("DUMMY0", own);
        Program program(home.path(), {"--clock-start=12:00"}, {"DISPLAY=" + name});
        EXPECT_TRUE(
            spin([&] { return std::abs(end(client->ramp("DUMMY0").b) - blue * end(own.b)) < 5e-3; },
                 10s))
            << end(client->ramp("DUMMY0").b) << "\n"
            << program.log();
        EXPECT_EQ(program.end(killed ? SIGKILL : SIGTERM), killed ? 128 + SIGKILL : 0);
        EXPECT_TRUE(killed || client->ramp("DUMMY0") == own);
    }
}

// The server ends under the program (a server of the test's own). A hot key first makes an
// override, so the defaults file has something to lose.
TEST_F(ProgramTest, ServerLossEndsTheProgramCleanlyWithItsFilesWhole) {
    PrivateServer server;
    auto client = server.connect();
    ASSERT_TRUE(client->display());
    Program program(home.path(), {"--clock-start=21:00"}, {"DISPLAY=" + server.name()});
    ASSERT_TRUE(spin([&] { return std::abs(end(client->ramp("DUMMY0").b) - 0.527) < 0.01; }, 10s))
        << program.log();
    ASSERT_EQ(std::system(("DISPLAY=" + server.name() + " xdotool key ctrl+alt+r").c_str()), 0);
    ASSERT_TRUE(spin([&] { return end(client->ramp("DUMMY0").g) == 0.0; }, 5s)) << program.log();

    ::kill(server.pid(), SIGKILL);
    client->abandon();
    EXPECT_EQ(program.wait(10s), 1) << program.log();
    // Ours or Qt's own connection to the display may hear of the loss first; either ends the
    // program with status 1.
    EXPECT_TRUE(program.logged("Lost the connection to the X server") ||
                program.logged("The X11 connection broke"))
        << program.log();

    // The defaults file loads, with the override in it.
    EXPECT_EQ(Stored::load<Override>(Override::defaultsKey, {}, defaults()).mode,
              DisplayMode::red(0.8));
    EXPECT_TRUE(fileLog.lines().empty());
}

}  // namespace
}  // namespace vesperine::testing_x11
