// The Wayland backends against a real compositor: sway on its headless backend, which has
// outputs that come and go on command and no gamma tables to lend. Skipped, with the reason,
// where sway cannot start (not installed, or no way to run it as a user other than root).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "Color/Kelvin.h"
#include "Display/GammaController.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Platform/Wayland/WaylandDisplays.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class HeadlessSway {
  public:
    HeadlessSway() {
        char folder[] = "/tmp/vesperine-sway-XXXXXX";
        if (!mkdtemp(folder)) return;
        runtime_ = folder;
        const std::string config = runtime_ + "/config";
        std::FILE* file = std::fopen(config.c_str(), "w");
        if (file) std::fclose(file);
        // sway refuses to run as root; a root test runs it as nobody in a folder of nobody's.
        const bool root = ::geteuid() == 0;
        if (root && (::chown(folder, 65534, 65534) != 0 || ::chown(config.c_str(), 65534, 65534) != 0))
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("XDG_RUNTIME_DIR", folder, 1);
            ::setenv("WLR_BACKENDS", "headless", 1);
            ::setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
            ::setenv("WLR_RENDERER", "pixman", 1);
            ::setenv("HOME", folder, 1);
            ::unsetenv("WAYLAND_DISPLAY");
            ::unsetenv("DISPLAY");
            std::freopen("/dev/null", "w", stderr);
            std::freopen("/dev/null", "w", stdout);
            if (root) {
                ::execlp("setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                         "sway", "-c", config.c_str(), nullptr);
            } else {
                ::execlp("sway", "sway", "-c", config.c_str(), nullptr);
            }
            ::_exit(127);
        }
        // Ready once both of its sockets are there.
        for (auto waited = 0ms; waited < 3000ms; waited += 20ms) {
            for (const auto& entry : fs::directory_iterator(runtime_)) {
                const std::string name = entry.path().filename();
                if (name.starts_with("wayland-") && !name.ends_with(".lock")) socket_ = entry.path();
                if (name.starts_with("sway-ipc.")) ipc_ = entry.path();
            }
            if (!socket_.empty() && !ipc_.empty()) return;
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    }
    ~HeadlessSway() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!runtime_.empty()) fs::remove_all(runtime_);
    }
    bool running() const { return pid_ > 0 && !socket_.empty() && !ipc_.empty(); }
    const std::string& socket() const { return socket_; }
    bool command(const std::string& text) const {
        return std::system(("SWAYSOCK=" + ipc_ + " swaymsg -q '" + text + "' >/dev/null 2>&1").c_str()) == 0;
    }

  private:
    std::string runtime_, socket_, ipc_;
    pid_t pid_ = -1;
};

TEST(HeadlessSway, OutputsAreFollowedAndARefusedTableIsSaidOnceWithoutACrash) {
    HeadlessSway sway;
    if (!sway.running()) GTEST_SKIP() << "sway could not start on its headless backend";
    CapturingLogger logger;
    VirtualTime time;
    auto connection = WaylandConnection::open(sway.socket(), logger);
    ASSERT_TRUE(connection.ok()) << connection.error().description;
    WaylandDisplays displays(*connection.value(), time, logger);
    int reconfigurations = 0;
    auto registration = displays.registerReconfiguration([&](DisplayID, std::uint32_t) { ++reconfigurations; });
    const auto names = [&] {
        connection.value()->roundtrip();
        connection.value()->roundtrip();
        std::vector<std::string> result;
        for (const auto& screen : displays.screens()) result.push_back(screen.name);
        return result;
    };
    const auto first = names();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(sway.command("create_output"));
    ASSERT_EQ(names().size(), 2u);
    EXPECT_EQ(reconfigurations, 1);
    // "unplug" came with sway 1.8; the compositor of our own tests removals everywhere.
    if (sway.command("output HEADLESS-1 unplug")) {
        const auto last = names();
        EXPECT_EQ(last.size(), 1u);
        EXPECT_NE(last, first);
        EXPECT_EQ(reconfigurations, 2);
    } else {
        std::printf("This sway cannot unplug a headless output: only its plugging is tested\n");
    }

    // Headless outputs have no gamma: the compositor refuses, and says so each time we ask.
    GammaController gamma(displays, time, logger);
    std::vector<DisplayID> ids;
    for (const auto& screen : displays.screens()) ids.push_back(screen.id);
    gamma.apply(Kelvin::gains(3400), ids);
    time.advance(130s);
    EXPECT_EQ(logger.count("refuses our tables"), ids.size());
    EXPECT_TRUE(connection.value()->isAlive());
}

}  // namespace
}  // namespace vesperine
