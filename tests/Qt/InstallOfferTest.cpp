// The install offer end to end: start-up's offer step run from a download folder of a home
// with an awkward name, the alert answered through the program's test hook. The old installed
// copy is asked to quit, the new copy replaces it and starts in the first one's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <thread>

#include "App/MoveToApplications.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// One run with its output kept in files; ended by SIGTERM at the latest when the test ends.
class Probe {
public:
    Probe(const TempHome& home, const std::string& program, const std::string& name)
        : out_(home / (name + ".out")), err_(home / (name + ".err")) {
        std::string environment[] = {"HOME=" + home.path(), "XDG_RUNTIME_DIR=" + (home / "run"),
                                     "VESPERINE_ALERT_ANSWERS=Install"};
        char* envp[] = {environment[0].data(), environment[1].data(), environment[2].data(),
                        nullptr};
        char argument[] = "--an argument";
        char* argv[] = {const_cast<char*>(program.c_str()), argument, nullptr};
        if ((pid_ = ::fork()) == 0) {
            ::dup2(::open(out_.c_str(), O_WRONLY | O_CREAT, 0644), 1);
            ::dup2(::open(err_.c_str(), O_WRONLY | O_CREAT, 0644), 2);
            ::execve(argv[0], argv, envp);
            ::_exit(127);
        }
    }
    ~Probe() {
        if (end() < 0 && pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }
    std::string errors() const { return fileText(err_); }
    // The line it prints once it runs, or what it printed after 10 s.
    std::string runningLine() const {
        for (int i = 0; i < 1000 && fileText(out_).find('\n') == std::string::npos; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return fileText(out_);
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
    std::string out_, err_;
    pid_t pid_ = -1;
};

TEST(InstallOffer, TheDownloadedCopyReplacesTheRunningOldOneAndStartsInstalled) {
    TempHome home;
    std::filesystem::create_directories(home / "run");
    ::chmod((home / "run").c_str(), 0700);
    const std::string installed = home / ".local/bin/vesperine_install_probe";
    const std::string build = fileText(VESPERINE_INSTALL_PROBE);
    home.write("Downloads/vesperine_install_probe", build, 0755);
    home.write(".local/bin/vesperine_install_probe", build + "an older version", 0755);

    Probe inBuild(home, VESPERINE_INSTALL_PROBE, "build");  // a build never asks
    EXPECT_EQ(inBuild.runningLine(), "running " + std::string(VESPERINE_INSTALL_PROBE) + "\n");
    EXPECT_EQ(inBuild.end(), 0);

    Probe old(home, installed, "old");
    ASSERT_EQ(old.runningLine(), "running " + installed + "\n") << old.errors();
    Probe fresh(home, home / "Downloads/vesperine_install_probe", "fresh");
    EXPECT_EQ(fresh.runningLine(), "running " + installed + "\n") << fresh.errors();
    EXPECT_EQ(old.waitForExit(), 0);
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(fresh.pid()) + "/exe"),
              installed);
    EXPECT_EQ(home.read(".local/bin/vesperine_install_probe"), build);
    EXPECT_EQ(home.read("Downloads/vesperine_install_probe"), build);
    const std::string entry = home / ".local/share/applications/com.brevan.vesperine.desktop";
    EXPECT_EQ(
        std::system(("desktop-file-validate " + MoveToApplications::shellQuote(entry)).c_str()), 0);
    // Asked once: the installed copy does not ask again.
    const std::string log = fresh.errors(),
                      asked = "Alert \"Install Vesperine for this user?\": Install";
    EXPECT_NE(log.find(asked), std::string::npos) << log;
    EXPECT_EQ(log.find(asked), log.rfind(asked)) << log;
    EXPECT_EQ((inBuild.errors() + old.errors()).find("Alert"), std::string::npos);
    EXPECT_EQ(fresh.end(), 0);
}

}  // namespace
}  // namespace vesperine
