// The real program on the test X server: started as a separate process with its own
// XDG folders, it follows its schedule on every output, gives the outputs back when it is
// told to end, and a second launch hands its request to the first one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "Persistence/Stored.h"
#include "Platform/Linux/JsonFileDefaultsStore.h"
#include "Platform/Linux/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "ProgramRun.h"
#include "RandrClient.h"
#include "State/Override.h"
#include "Support/PrivateBus.h"
#include "X11DisplayFixture.h"

extern char** environ;

namespace vesperine::testing_x11 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::size_t openDescriptors(pid_t pid) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        ++count;
    }
    return count;
}

// A connection to a local socket that says nothing, or -1.
int connectTo(const fs::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

// A display number no server uses.
std::string freeDisplay() {
    int n = 141;
    while (n < 200 && (fs::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
                       fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))) {
        ++n;
    }
    return ":" + std::to_string(n);
}

// An Xorg of the test's own on `name`, ended when this goes.
class OwnServer {
public:
    OwnServer(const std::string& name, const fs::path& log) : pid_(::fork()) {
        if (pid_ == 0) {
            ::execlp("Xorg", "Xorg", name.c_str(), "-config", VESPERINE_XORG_CONFIG, "-noreset",
                     "-nolisten", "tcp", "-logfile", log.c_str(), "-quiet",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~OwnServer() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(other.display(), nullptr) << "no test X server";
        home = fs::temp_directory_path() / ("vesperine-program-" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        ASSERT_TRUE(addSecondMonitor());
        other.setRamp("DUMMY0", RandrClient::curve(256, 1.0));
        other.setRamp("DUMMY1", calibration);
        own[0] = other.ramp("DUMMY0");
        own[1] = other.ramp("DUMMY1");
    }
    void TearDown() override {
        if (!other.display()) return;  // the server was ended on purpose
        removeSecondMonitor();
        other.setRamp("DUMMY0", RandrClient::curve(256, 1.0));
        fs::remove_all(home);
    }
    // Both outputs show Warm 3400 K over their own ramps (blue at about 0.527 of its own).
    bool showsWarm() const {
        for (int i = 0; i < 2; ++i) {
            const Ramp now = other.ramp(i == 0 ? "DUMMY0" : "DUMMY1");
            if (std::abs(end(now.b) - 0.527 * end(own[i].b)) > 0.01) return false;
            if (std::abs(end(now.r) - end(own[i].r)) > 0.01) return false;
        }
        return true;
    }
    bool givenBack() const {
        return other.ramp("DUMMY0") == own[0] && other.ramp("DUMMY1") == own[1];
    }
    fs::path defaultsFile() const {
        return home / "config" / "com.brevan.vesperine" / "defaults.json";
    }
    void saveOverride(double kelvin) {
        CapturingLogger logger;
        PosixFileSystem files;
        JsonFileDefaultsStore defaults(files, logger, defaultsFile());
        ASSERT_TRUE(Stored::save(
            Override{DisplayMode::warm(kelvin), Override::Lifetime::indefinitely(), Instant()},
            Override::defaultsKey, defaults));
    }

    // As a colour profile loads it: channel ends apart.
    const Ramp calibration = RandrClient::curve(256, 1.1, 1.0, 0.97, 0.92);

    // For later launches: folders of their own, but the runtime folder of the first.
    std::string runtimeFolder() const { return "XDG_RUNTIME_DIR=" + (home / "run").string(); }
    // Sends `signal`, then expects the clean end: status 0 and every output's own ramp back.
    void endsCleanly(Program& program, int signal = SIGTERM) {
        ::kill(program.pid(), signal);
        EXPECT_EQ(program.wait(5s), 0) << program.log();
        EXPECT_TRUE(givenBack());
    }

    RandrClient other;
    fs::path home;
    Ramp own[2];
};

// 21:00 with no location known (UTC): the default schedule's evening step, Warm 3400 K.
// Every signal a user may send that would end it ends it cleanly: a fault signal sent with
// kill(1) as well, and one of the real-time ones.
TEST_F(ProgramTest, FollowsTheScheduleOnEveryOutputAndGivesThemBackWhenToldToEnd) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR2, SIGRTMIN, SIGABRT, SIGSEGV}) {
        SCOPED_TRACE(strsignal(signal));
        Program program(home, {"--clock-start=21:00"});
        ASSERT_GT(program.pid(), 0);
        ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << program.log();
        endsCleanly(program, signal);
    }
}

// SIGUSR1 switches to Off and back, as the Off hot key does, whatever the standard streams
// are: a log line nobody reads is no reason to end with the tint left on, and the log never
// goes into a file or socket the program opened itself.
TEST_F(ProgramTest, SIGUSR1SwitchesToOffAndBackWhateverTheStandardStreams) {
    for (Streams streams : {Streams::logged, Streams::errorsPiped, Streams::closed}) {
        SCOPED_TRACE(static_cast<int>(streams));
        Program program(home, {"--clock-start=21:00"}, {}, streams);
        ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << program.log();
        for (int fd = 0; streams == Streams::closed && fd <= 2; ++fd) {
            const auto path =
                "/proc/" + std::to_string(program.pid()) + "/fd/" + std::to_string(fd);
            EXPECT_EQ(fs::read_symlink(path), "/dev/null") << fd;
        }
        program.closeReader();
        ::kill(program.pid(), SIGUSR1);
        EXPECT_TRUE(eventually([&] { return givenBack(); }, 5s)) << program.log();
        ::kill(program.pid(), SIGUSR1);
        EXPECT_TRUE(eventually([&] { return showsWarm(); }, 5s)) << program.log();
        endsCleanly(program);
        if (streams == Streams::logged) {
            EXPECT_NE(program.log().find("Received User defined signal 1"), std::string::npos);
        }
    }
}

// A server that accepts the connection but never answers (stopped) must not keep a
// termination signal waiting: nothing has been shown, so the program just ends.
TEST_F(ProgramTest, AServerThatNeverAnswersDoesNotHoldBackTermination) {
    const char* server = std::getenv("VESPERINE_XORG_PID");
    if (!server) GTEST_SKIP() << "needs the server's process id";
    const pid_t serverPid = std::atoi(server);
    ASSERT_EQ(::kill(serverPid, SIGSTOP), 0);
    std::optional<int> status;
    {
        Program program(home, {"--clock-start=21:00"});
        std::this_thread::sleep_for(1s);
        ::kill(program.pid(), SIGTERM);
        status = program.wait(3s);
    }
    ::kill(serverPid, SIGCONT);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(givenBack());
}

// At 600 times the real pace, 22:50 leaves a second of Warm before the 30-minute fade into
// Red, which takes 3 s.
TEST_F(ProgramTest, AScaledClockCarriesTheOutputsThroughAFade) {
    Program program(home, {"--clock-start=22:50", "--clock-scale=600"});
    ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << program.log();
    bool sawBetween = false;
    const bool red = eventually(
        [&] {
            const Ramp now = other.ramp("DUMMY0");
            const double g = end(now.g);
            if (g > 0.05 && g < 0.75) sawBetween = true;
            return g == 0.0 && std::abs(end(now.r) - 0.8) < 0.01;
        },
        15s);
    EXPECT_TRUE(red) << program.log();
    EXPECT_TRUE(sawBetween);  // it faded, it did not jump
    endsCleanly(program);
}

// Later launches hand their request to the first one: plain ones leave everything alone; a
// "--reset" is carried out before the launch ends, even while connections that say nothing
// wait on the socket.
TEST_F(ProgramTest, LaterLaunchesActivateOrResetThroughTheRunningOne) {
    Program first(home, {"--clock-start=21:00"});
    ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << first.log();
    std::this_thread::sleep_for(1s);  // the start-up fade is over
    const Ramp shown = other.ramp("DUMMY1");
    // The first one opens the settings window (fonts, icons: descriptors of its own); the
    // later ones only raise it and must leave nothing open behind them.
    std::size_t descriptors = 0;
    for (int i = 0; i < 20; ++i) {
        Program second(home / "second", {}, {runtimeFolder()});
        ASSERT_EQ(second.wait(5s), 0) << "launch " << i << ": " << second.log();
        if (i == 0) descriptors = openDescriptors(first.pid());
    }
    // A switch the running one cannot take is not dropped without a word.
    Program faster(home / "second", {"--clock-scale=60"}, {runtimeFolder()});
    EXPECT_EQ(faster.wait(5s), 1);
    EXPECT_NE(faster.log().find("can't take --clock-scale"), std::string::npos);
    const Ramp after = other.ramp("DUMMY1");
    EXPECT_TRUE(after == shown) << "differs by up to "
                                << std::max({maxDifference(after.r, shown.r),
                                             maxDifference(after.g, shown.g),
                                             maxDifference(after.b, shown.b)});
    EXPECT_EQ(openDescriptors(first.pid()), descriptors);

    std::vector<int> silent;
    for (int i = 0; i < 20; ++i)
        silent.push_back(connectTo(home / "run" / "com.brevan.vesperine.socket"));
    Program reset(home / "second", {"--reset"}, {runtimeFolder()});
    EXPECT_EQ(reset.wait(5s), 0) << reset.log();
    EXPECT_TRUE(givenBack());
    for (const int fd : silent) ::close(fd);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(givenBack());                  // and Off holds
    EXPECT_EQ(first.wait(0ms), std::nullopt);  // still running
    endsCleanly(first);
}

// A stopped first instance still holds the lock: later launches say it did not answer and
// end with a failure, without hanging, and it does not carry out their requests once it runs
// again, after they gave up.
TEST_F(ProgramTest, AStoppedFirstInstanceMakesLaterLaunchesFailQuickly) {
    Program first(home, {"--clock-start=21:00"});
    ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << first.log();
    ::kill(first.pid(), SIGSTOP);
    std::vector<std::unique_ptr<Program>> later;
    for (int i = 0; i < 10; ++i) {
        later.push_back(std::make_unique<Program>(home / ("later" + std::to_string(i)),
                                                  std::vector<std::string>{"--reset"},
                                                  std::vector<std::string>{runtimeFolder()}));
    }
    for (auto& launch : later) {
        EXPECT_EQ(launch->wait(6s), 1) << launch->log();
        EXPECT_NE(launch->log().find("did not answer within 2 s"), std::string::npos)
            << launch->log();
    }
    ::kill(first.pid(), SIGCONT);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(showsWarm()) << first.log();
    ::kill(first.pid(), SIGTERM);
    EXPECT_EQ(first.wait(5s), 0);
    EXPECT_TRUE(givenBack());
}

// Killed while it shows a warm override over both outputs' own ramps (DUMMY1's a
// calibration, whose channel ends differ as a tint's do), then started again with nothing to
// show: both outputs show their own ramps, neither a tint of the tint nor a plain ramp, and
// get them back at exit. Even a tint of 6000 K, close to an output's own ramp, is not kept.
TEST_F(ProgramTest, NoStackingAfterAKill) {
    for (double kelvin : {2700.0, 6000.0}) {
        SCOPED_TRACE(kelvin);
        saveOverride(kelvin);
        const double blue = DisplayMode::warm(kelvin).target().gains.b;
        {
            Program program(home, {"--clock-start=12:00"});
            ASSERT_TRUE(eventually(
                [&] { return std::abs(end(other.ramp("DUMMY0").b) - blue) < 0.005; }, 10s))
                << program.log();
            std::this_thread::sleep_for(500ms);
            ::kill(program.pid(), SIGKILL);
            EXPECT_EQ(program.wait(5s), 128 + SIGKILL);
        }
        const auto record =
            home / "run" /
            ("com.brevan.vesperine.ramps." + std::string(std::getenv("DISPLAY") + 1) + ".json");
        EXPECT_EQ(fs::status(record).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        fs::remove(defaultsFile());
        Program again(home, {"--clock-start=12:00"});  // Bright: Off without extended range
        EXPECT_TRUE(eventually([&] { return givenBack(); }, 5s))
            << "blue ends " << end(other.ramp("DUMMY0").b) << ", " << end(other.ramp("DUMMY1").b)
            << "\n"
            << again.log();
        ::kill(again.pid(), SIGTERM);
        EXPECT_EQ(again.wait(5s), 0);
        EXPECT_TRUE(givenBack());
    }
}

// Resuming from sleep may leave the ramps as the driver sets them; the login manager's
// PrepareForSleep(false) makes the program put its tint back.
TEST_F(ProgramTest, WakeFromSleepPutsTheTintBack) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    BusClient login(bus.address(), "org.freedesktop.login1");
    ASSERT_TRUE(login.ok());
    Program program(home, {"--clock-start=21:00"}, {"DBUS_SYSTEM_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << program.log();
    login.prepareForSleep(true);
    other.setRamp("DUMMY0", own[0]);
    other.setRamp("DUMMY1", own[1]);
    login.prepareForSleep(false);
    EXPECT_TRUE(eventually([&] { return showsWarm(); }, 3s));
    EXPECT_TRUE(eventually(
        [&] { return program.log().find("display event: wake") != std::string::npos; }, 3s))
        << program.log();
    endsCleanly(program);
}

// Started while its display has no server yet: it tries again with growing pauses, without
// spinning, and takes over once a server answers there.
TEST_F(ProgramTest, StartedBeforeTheServerItWaitsAndTakesOver) {
    const std::string name = freeDisplay();
    Program program(home, {"--clock-start=21:00"}, {"DISPLAY=" + name});
    std::this_thread::sleep_for(2s);
    const std::string log = program.log();
    std::size_t tries = 0;
    for (auto at = log.find("trying again"); at != std::string::npos;
         at = log.find("trying again", at + 1)) {
        ++tries;
    }
    EXPECT_GE(tries, 2u) << log;  // 0.25 + 0.5 + 1 s of pauses fit in 2 s
    EXPECT_LE(tries, 4u) << log;

    OwnServer server(name, home / "xorg.log");
    bool tinted = false;
    const auto until = std::chrono::steady_clock::now() + 20s;
    std::unique_ptr<RandrClient> late;
    while (!tinted && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(100ms);
        if (!late || !late->display()) late = std::make_unique<RandrClient>(name.c_str());
        if (late->display()) tinted = end(late->ramp("DUMMY0").b) < 0.6;
    }
    EXPECT_TRUE(tinted) << program.log();
    ::kill(program.pid(), SIGTERM);
    EXPECT_EQ(program.wait(5s), 0) << program.log();
    if (late && late->display()) {
        // A new server's own ramp ends at 65280, not 65535.
        EXPECT_GT(end(late->ramp("DUMMY0").b), 0.99) << program.log();
    }
}

// The record of the ramps a killed run found says nothing about a later start of the server
// on the same display number: a calibration loaded there is that output's own, tinted over
// and given back, not the ramp of the earlier start.
TEST_F(ProgramTest, ARecordOfAnotherServerStartIsIgnored) {
    const std::string name = freeDisplay();
    const Ramp calibrations[] = {calibration, RandrClient::curve(256, 1.2, 0.95, 1.0, 0.8)};
    saveOverride(2700);
    const double blue = DisplayMode::warm(2700).target().gains.b;
    for (const Ramp& own : calibrations) {
        OwnServer server(name, home / "xorg.log");
        std::unique_ptr<RandrClient> client;
        ASSERT_TRUE(eventually(
            [&] { return (client = std::make_unique<RandrClient>(name.c_str()))->display(); },
            10s));
        client->setRamp("DUMMY0", own);
        Program program(home, {"--clock-start=12:00"}, {"DISPLAY=" + name});
        EXPECT_TRUE(eventually(
            [&] { return std::abs(end(client->ramp("DUMMY0").b) - blue * end(own.b)) < 0.005; },
            10s))
            << end(client->ramp("DUMMY0").b) << "\n"
            << program.log();
        if (&own == &calibrations[0]) {
            ::kill(program.pid(), SIGKILL);
            EXPECT_EQ(program.wait(5s), 128 + SIGKILL);
        } else {
            ::kill(program.pid(), SIGTERM);
            EXPECT_EQ(program.wait(5s), 0);
            EXPECT_TRUE(client->ramp("DUMMY0") == own);
        }
    }
}

// Run on a server of its own (see CMakeLists.txt): the test ends that server under the
// program. A hot key first makes an override, so the defaults file has something to lose.
TEST_F(ProgramTest, ServerLossEndsTheProgramCleanlyWithItsFilesWhole) {
    const char* server = std::getenv("VESPERINE_XORG_PID");
    if (!server || !std::getenv("VESPERINE_SERVER_MAY_DIE")) GTEST_SKIP() << "needs its own server";
    Program program(home, {"--clock-start=21:00"});
    ASSERT_TRUE(eventually([&] { return showsWarm(); }, 10s)) << program.log();
    ASSERT_EQ(std::system("xdotool key ctrl+alt+r"), 0);
    ASSERT_TRUE(eventually([&] { return end(other.ramp("DUMMY0").g) == 0.0; }, 5s))
        << program.log();

    ::kill(std::atoi(server), SIGKILL);
    other.abandon();
    EXPECT_EQ(program.wait(10s), 1) << program.log();
    // Ours or Qt's own connection to the display may hear of the loss first; either ends the
    // program with status 1.
    EXPECT_TRUE(program.log().find("Lost the connection to the X server") != std::string::npos ||
                program.log().find("The X11 connection broke") != std::string::npos)
        << program.log();

    // The defaults file loads, with the override in it.
    CapturingLogger logger;
    PosixFileSystem files;
    JsonFileDefaultsStore defaults(files, logger, defaultsFile());
    auto stored = defaults.data("override");
    ASSERT_TRUE(stored);
    auto decoded = json::decode<Override>(*stored);
    ASSERT_TRUE(decoded.ok()) << decoded.error().description;
    EXPECT_EQ(decoded->mode, DisplayMode::red(0.8));
    EXPECT_TRUE(logger.lines().empty());
}

}  // namespace
}  // namespace vesperine::testing_x11
