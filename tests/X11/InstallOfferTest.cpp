// The install offer end to end on the real program: started from a download folder of a home
// with an awkward name, the alert answered through the program's test hook. The old installed
// copy is asked to quit, the new copy replaces it and starts in the first one's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <thread>

#include "App/MoveToApplications.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// One run of a copy of the program on the test's display, its log kept in a file; ended by
// SIGTERM at the latest when the test ends.
class ProgramRun {
public:
    ProgramRun(const TempHome& home, const std::string& program, const std::string& name)
        : log_(home / (name + ".log")) {
        std::string environment[] = {"HOME=" + home.path(),
                                     "XDG_RUNTIME_DIR=" + (home / "run"),
                                     "DISPLAY=" + std::string(std::getenv("DISPLAY")),
                                     "VESPERINE_ALERT_ANSWERS=Install", "VESPERINE_LOG_STDERR=1",
                                     "TZ=UTC"};
        std::vector<char*> envp;
        for (auto& variable : environment) envp.push_back(variable.data());
        envp.push_back(nullptr);
        char argument[] = "--clock-start=21:00";
        char* argv[] = {const_cast<char*>(program.c_str()), argument, nullptr};
        if ((pid_ = ::fork()) == 0) {
            const int log = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(log, 1);
            ::dup2(log, 2);
            ::execve(argv[0], argv, envp.data());
            ::_exit(127);
        }
    }
    ~ProgramRun() {
        if (end() < 0 && pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }
    std::string log() const { return fileText(log_); }
    // Whether it says it has started, within 10 s.
    bool started() const {
        for (int i = 0; i < 1000; ++i) {
            if (log().find(" started on ") != std::string::npos) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    // Its exit status once it has ended, or -1 after 10 s.
    int waitForExit() {
        for (int i = 0, status = 0; pid_ > 0 && i < 1000; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    int end() { return pid_ > 0 && ::kill(pid_, SIGTERM) == 0 ? waitForExit() : -1; }

private:
    std::string log_;
    pid_t pid_ = -1;
};

TEST(InstallOffer, TheDownloadedCopyReplacesTheRunningOldOneAndStartsInstalled) {
    TempHome home;
    std::filesystem::create_directories(home / "run");
    ::chmod((home / "run").c_str(), 0700);
    const std::string installed = home / ".local/bin/vesperine";
    const std::string build = fileText(VESPERINE_PROGRAM);
    home.write("Downloads/vesperine", build, 0755);
    home.write(".local/bin/vesperine", build, 0755);

    {
        ProgramRun inBuild(home, VESPERINE_PROGRAM, "build");  // a build never asks
        ASSERT_TRUE(inBuild.started()) << inBuild.log();
        EXPECT_EQ(inBuild.end(), 0);
    }
    ProgramRun old(home, installed, "old");
    ASSERT_TRUE(old.started()) << old.log();
    home.write(".local/bin/vesperine", build + "an older version", 0755);  // it runs on
    ProgramRun fresh(home, home / "Downloads/vesperine", "fresh");
    EXPECT_TRUE(fresh.started()) << fresh.log();
    EXPECT_EQ(old.waitForExit(), 0) << old.log();
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(fresh.pid()) + "/exe"),
              installed);
    EXPECT_EQ(home.read(".local/bin/vesperine"), build);
    EXPECT_EQ(home.read("Downloads/vesperine"), build);
    const std::string entry = home / ".local/share/applications/com.brevan.vesperine.desktop";
    EXPECT_EQ(
        std::system(("desktop-file-validate " + MoveToApplications::shellQuote(entry)).c_str()), 0);
    // Asked once: the installed copy does not ask again.
    const std::string log = fresh.log(), asked = "Alert \"Install Vesperine for this user?\": Install";
    EXPECT_NE(log.find(asked), std::string::npos) << log;
    EXPECT_EQ(log.find(asked), log.rfind(asked)) << log;
    EXPECT_EQ(fileText(home / "build.log").find("Alert"), std::string::npos);
    EXPECT_EQ(old.log().find("Alert"), std::string::npos);
    EXPECT_EQ(fresh.end(), 0);
}

}  // namespace
}  // namespace vesperine
