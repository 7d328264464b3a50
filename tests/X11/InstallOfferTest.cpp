// The install offer end to end on the real program: started from a download folder of a home
// with an awkward name, the alert answered through the program's test hook, on a session bus
// the running copy answers on. The old installed copy is asked to quit, the new copy replaces
// it and starts in the first one's place.
#include <gtest/gtest.h>

#include "Qt/Spin.h"
#include "Support/ChildProcess.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// One run of a copy of the program on the test's display, its output kept in `<name>.log`.
class Copy : public ChildProcess {
public:
    Copy(const TempFolder& home, const PrivateBus& bus, const std::string& program,
         const std::string& name)
        : ChildProcess({program, "--clock-start=21:00"},
                       {{0, "/dev/null"}, {1, home / (name + ".log")}, {2, home / (name + ".log")}},
                       SIGTERM,
                       std::vector<std::string>{
                           "HOME=" + home.root(), "XDG_RUNTIME_DIR=" + (home / "run").string(),
                           "DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
                           "DISPLAY=" + std::string(std::getenv("DISPLAY")),
                           "VESPERINE_ALERT_ANSWERS=Install", "VESPERINE_LOG_STDERR=1", "TZ=UTC"}),
          home_(home), name_(name) {}
    std::string log() const { return home_.read(name_ + ".log"); }
    bool started() const {
        return spin([&] { return log().find(" started on ") != std::string::npos; }, 10s);
    }

private:
    const TempFolder& home_;
    std::string name_;
};

TEST(InstallOffer, TheDownloadedCopyReplacesTheRunningOldOneAndStartsInstalled) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    TempFolder home(TempFolder::awkward);
    std::filesystem::create_directories(home / "run");
    ::chmod((home / "run").c_str(), 0700);
    const std::string installed = home / ".local/bin/vesperine";
    const std::string build = home.read(VESPERINE_PROGRAM);
    home.write("Downloads/vesperine", build, 0755);
    home.write(".local/bin/vesperine", build, 0755);

    Copy old(home, bus, installed, "old");
    ASSERT_TRUE(old.started()) << old.log();
    home.write(".local/bin/vesperine", build + "an older version", 0755);  // it runs on
    Copy fresh(home, bus, home / "Downloads/vesperine", "fresh");
    EXPECT_TRUE(fresh.started()) << fresh.log();
    EXPECT_EQ(old.wait(10s), 0) << old.log();
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(fresh.pid()) + "/exe"),
              installed);
    EXPECT_EQ(home.read(".local/bin/vesperine"), build);
    EXPECT_EQ(home.read("Downloads/vesperine"), build);
    // Asked once: the installed copy does not ask again.
    const std::string log = fresh.log(), asked = "Alert \"Install Vesperine for this user?\": Install";
    EXPECT_NE(log.find(asked), std::string::npos) << log;
    EXPECT_EQ(log.find(asked), log.rfind(asked)) << log;
    EXPECT_EQ(old.log().find("Alert"), std::string::npos);
    fresh.signal(SIGTERM);
    EXPECT_EQ(fresh.wait(10s), 0);
}

}  // namespace
}  // namespace vesperine
