#include "Platform/Linux/ProcProcesses.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Platform/Linux/PollLoop.h"
#include "Platform/Simulated/CapturingLogger.h"

extern char** environ;

namespace vesperine {

void PrintTo(const RunningProcess& p, std::ostream* out) {
    *out << p.pid << ":" << p.executable;
}

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A real child process (so pidfds, signals and exits are real), reaped on destruction.
class Child {
  public:
    explicit Child(const std::string& program = "/bin/sleep") {
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("600"), nullptr};
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = 0;
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        reap();
    }
    int pid() const { return pid_; }
    // Waits for the child's end; its status, or -1 when it had been reaped already.
    int reap() {
        int status = -1;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) != pid_) status = -1;
        pid_ = -pid_;
        return status;
    }

  private:
    pid_t pid_ = 0;
};

class ProcProcessesTest : public testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("proc-test-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    // A /proc entry for `pid` whose kernel name is `comm` and command line `argv0`.
    void fake(int pid, const std::string& comm, char state = 'S', std::string argv0 = "") {
        const fs::path dir = root / std::to_string(pid);
        fs::create_directories(dir);
        std::ofstream(dir / "stat") << pid << " (" << comm << ") " << state << " 1 1 1 0 -1\n";
        std::ofstream(dir / "comm") << comm << '\n';
        if (argv0.empty()) argv0 = comm;
        std::ofstream(dir / "cmdline") << argv0 << '\0' << "-l" << '\0';
    }

    fs::path root;
    PollLoop loop;
    CapturingLogger logger;
};

TEST_F(ProcProcessesTest, ListsThisUsersRunningCompetitorsByExecutableName) {
    Child a, b, c, d, e, f, g, h;
    fake(a.pid(), "redshift");
    fake(b.pid(), "gammastep");
    fake(c.pid(), "redshift", 'Z');                             // ended, not yet reaped
    fake(d.pid(), "wl-gammarelay-r", 'S', "/usr/bin/wl-gammarelay-rs");  // a cut name
    fake(e.pid(), "wl-gammarelay-r", 'S', "wl-gammarelay-rx");  // cut, but another program
    fake(f.pid(), "firefox");
    fake(g.pid(), "x (y) z)");  // parentheses inside the name
    fake(h.pid(), "redshift");
    if (::geteuid() == 0) {
        // Another user's process: never listed, whatever its name.
        ASSERT_EQ(::chown((root / std::to_string(h.pid())).c_str(), 12345, 12345), 0);
    }
    fake(999'999'9, "redshift");  // a process that has gone since /proc was read
    std::ofstream(root / "self") << "not a process";
    fs::create_directories(root / "sys");

    ProcProcesses processes(loop, loop, logger, root);
    const auto found =
        processes.list({"redshift", "gammastep", "wl-gammarelay-rs", "x (y) z)"});
    std::vector<RunningProcess> expected = {{a.pid(), "redshift"},
                                            {b.pid(), "gammastep"},
                                            {d.pid(), "wl-gammarelay-rs"},
                                            {g.pid(), "x (y) z)"}};
    if (::geteuid() != 0) expected.push_back({h.pid(), "redshift"});
    std::sort(expected.begin(), expected.end(),
              [](const auto& x, const auto& y) { return x.pid < y.pid; });
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(ProcProcessesTest, AProcessThatVanishedAfterTheListingIsNeverSignalled) {
    Child listed, unlisted;
    fake(listed.pid(), "gammastep");
    fake(unlisted.pid(), "redshift");
    ProcProcesses processes(loop, loop, logger, root);
    std::vector<RunningProcess> ended;
    Handle watch = processes.observeExits([&](const RunningProcess& p) { ended.push_back(p); });
    const auto found = processes.list({"gammastep"});
    ASSERT_EQ(found.size(), 1u);
    // Ends and is reaped before the request: its id is free for anyone now. The signal goes
    // through the pidfd of the ended process, which reaches nobody.
    ::kill(listed.pid(), SIGKILL);
    listed.reap();
    EXPECT_FALSE(processes.terminate(found[0]));
    // Never listed: not ours to signal, even by a known name.
    EXPECT_FALSE(processes.terminate({unlisted.pid(), "redshift"}));
    EXPECT_EQ(::kill(unlisted.pid(), 0), 0);
    // A listing that comes before its end was heard still tells of it, once.
    fs::remove_all(root / std::to_string(found[0].pid));
    EXPECT_TRUE(processes.list({"gammastep"}).empty());
    ASSERT_TRUE(loop.runUntil([&] { return !ended.empty(); }, 2s));
    loop.runFor(20ms);
    EXPECT_EQ(ended, found);
}

TEST_F(ProcProcessesTest, AnUnreadableRootIsLoggedOnce) {
    ProcProcesses processes(loop, loop, logger, (root / "missing").string());
    EXPECT_TRUE(processes.list({"redshift"}).empty());
    EXPECT_TRUE(processes.list({"redshift"}).empty());
    EXPECT_EQ(logger.count("Couldn't list the running programs", "conflicts"), 1u);
}

TEST_F(ProcProcessesTest, ARealProcessIsFoundByItsNameAskedToQuitAndItsEndHeard) {
    // The kernel names a process after the file it was started from, here a link whose name
    // is longer than the 15 characters the kernel keeps.
    const fs::path link = root / "vesperine-test-competitor";
    fs::create_symlink("/bin/sleep", link);
    Child child(link.string());
    // The parent may resume before the kernel has renamed the child: wait for the new name.
    const auto cmdline = fs::path("/proc") / std::to_string(child.pid()) / "cmdline";
    for (int i = 0; i < 200; ++i) {
        std::string first;
        std::getline(std::ifstream(cmdline), first, '\0');
        if (first == link.string()) break;
        ::usleep(5000);
    }
    ProcProcesses processes(loop, loop, logger);
    std::vector<RunningProcess> ended;
    Handle watch = processes.observeExits([&](const RunningProcess& p) { ended.push_back(p); });
    const auto found = processes.list({"vesperine-test-competitor"});
    ASSERT_EQ(found, (std::vector<RunningProcess>{{child.pid(), "vesperine-test-competitor"}}));
    ASSERT_TRUE(processes.terminate(found[0]));
    ASSERT_TRUE(loop.runUntil([&] { return !ended.empty(); }, 2s));  // no poll: the pidfd
    EXPECT_EQ(ended, found);
    const int status = child.reap();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_FALSE(processes.terminate(found[0]));
}

}  // namespace
}  // namespace vesperine
