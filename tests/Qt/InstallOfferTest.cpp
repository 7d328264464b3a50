// The install offer end to end: start-up's offer step run from a download folder of a home
// with an awkward name, the alert answered through the program's test hook; the old installed
// copy ends, the new copy replaces it and starts in the first one's place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "App/MoveToApplications.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class Probe {
public:
    Probe(const TempHome& home, const std::string& program, const std::string& name)
        : out_(home / (name + ".out")), err_(home / (name + ".err")) {
        std::vector<std::string> environment = {
            "HOME=" + home.path(), "XDG_RUNTIME_DIR=" + (home / "run"),
            "VESPERINE_ALERT_ANSWERS=Install", "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string argument = "--an argument";
        char* argv[] = {const_cast<char*>(program.c_str()), argument.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT, 0644);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Probe() {
        if (pid_ > 0 && end() < 0) ::kill(pid_, SIGKILL);
    }
    pid_t pid() const { return pid_; }
    // What it printed once it has printed a line (it runs then), or "" after 10 s.
    std::string runningLine() const {
        for (int i = 0; i < 1000; ++i) {
            const std::string text = contents(out_);
            if (text.find('\n') != std::string::npos) return text;
            std::this_thread::sleep_for(10ms);
        }
        return "";
    }
    std::string errors() const { return contents(err_); }
    // Asks it to quit; its exit status, or -1 when it did not end.
    int end() {
        ::kill(pid_, SIGTERM);
        return waitForExit();
    }
    int waitForExit() {
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    std::string out_, err_;
    pid_t pid_ = -1;
};

std::string executableOf(pid_t pid) {
    return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe").string();
}

TEST(InstallOffer, TheDownloadedCopyReplacesTheRunningOldOneAndStartsInstalled) {
    TempHome home;
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    const std::string downloaded = home / "Downloads/vesperine_install_probe";
    const std::string installed = home / ".local/bin/vesperine_install_probe";
    const std::string build = contents(VESPERINE_INSTALL_PROBE);
    home.write("Downloads/vesperine_install_probe", build, 0755);
    home.write(".local/bin/vesperine_install_probe", build + "an older version", 0755);

    // From the build folder nothing is asked.
    Probe inBuild(home, VESPERINE_INSTALL_PROBE, "build");
    EXPECT_EQ(inBuild.runningLine(), "running " + std::string(VESPERINE_INSTALL_PROBE) + "\n");
    EXPECT_EQ(inBuild.end(), 0);
    EXPECT_EQ(inBuild.errors().find("Alert"), std::string::npos) << inBuild.errors();

    Probe old(home, installed, "old");
    ASSERT_EQ(old.runningLine(), "running " + installed + "\n") << old.errors();
    Probe fresh(home, downloaded, "fresh");
    EXPECT_EQ(fresh.runningLine(), "running " + installed + "\n") << fresh.errors();
    EXPECT_EQ(old.waitForExit(), 0);
    EXPECT_EQ(executableOf(fresh.pid()), installed);
    EXPECT_EQ(home.read(".local/bin/vesperine_install_probe"), build);
    EXPECT_EQ(home.read("Downloads/vesperine_install_probe"), build);
    const std::string entry = home / ".local/share/applications/com.brevan.vesperine.desktop";
    EXPECT_EQ(
        std::system(("desktop-file-validate " + MoveToApplications::shellQuote(entry)).c_str()), 0);
    const std::string log = fresh.errors();
    const std::string asked = "Alert \"Install Vesperine for this user?\": Install";
    EXPECT_NE(log.find(asked), std::string::npos) << log;
    EXPECT_EQ(log.find(asked), log.rfind(asked)) << "the installed copy asked again: " << log;
    EXPECT_EQ(fresh.end(), 0);
}

}  // namespace
}  // namespace vesperine
