#include "Platform/Linux/ProcProcesses.h"

#include <gtest/gtest.h>

#include "Platform/Qt/QtMainLoop.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Spin.h"
#include "Support/ChildProcess.h"
#include "Support/TempFolder.h"

namespace vesperine {

void PrintTo(const RunningProcess& p, std::ostream* out) {
    *out << p.pid << ":" << p.executable;
}

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A real child process (so pidfds, signals and exits are real).
struct Child : ChildProcess {
    explicit Child(const std::string& program = "/bin/sleep") : ChildProcess({program, "600"}) {}
};

class ProcProcessesTest : public testing::Test {
protected:
    // A /proc entry for `pid` whose kernel name is `comm` and command line `argv0`.
    void fake(int pid, const std::string& comm, char state = 'S', std::string argv0 = "") {
        const std::string dir = std::to_string(pid) + "/";
        root.write(dir + "stat", std::to_string(pid) + " (" + comm + ") " + state + " 1 1 1 0 -1\n");
        root.write(dir + "comm", comm + "\n");
        root.write(dir + "cmdline", (argv0.empty() ? comm : argv0) + std::string("\0-l\0", 4));
    }

    TempFolder root;
    QtMainLoop loop;
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
    root.write("self", "not a process");
    fs::create_directories(root / "sys");

    ProcProcesses processes(loop, loop, logger, root.root());
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

    ProcProcesses unreadable(loop, loop, logger, (root / "missing").string());
    EXPECT_TRUE(unreadable.list({"redshift"}).empty());
    EXPECT_TRUE(unreadable.list({"redshift"}).empty());
    EXPECT_EQ(logger.count("Couldn't list the running programs", "conflicts"), 1u);  // once
}

TEST_F(ProcProcessesTest, AProcessThatVanishedAfterTheListingIsNeverSignalled) {
    Child listed, unlisted;
    fake(listed.pid(), "gammastep");
    fake(unlisted.pid(), "redshift");
    ProcProcesses processes(loop, loop, logger, root.root());
    std::vector<RunningProcess> ended;
    Handle watch = processes.observeExits([&](const RunningProcess& p) { ended.push_back(p); });
    const auto found = processes.list({"gammastep"});
    ASSERT_EQ(found.size(), 1u);
    // Ends and is reaped before the request: its id is free for anyone now. The signal goes
    // through the pidfd of the ended process, which reaches nobody.
    listed.signal(SIGKILL);
    listed.wait(5s);
    EXPECT_FALSE(processes.terminate(found[0]));
    // Never listed: not ours to signal, even by a known name.
    EXPECT_FALSE(processes.terminate({unlisted.pid(), "redshift"}));
    EXPECT_EQ(::kill(unlisted.pid(), 0), 0);
    // A listing that comes before its end was heard still tells of it, once.
    fs::remove_all(root / std::to_string(found[0].pid));
    EXPECT_TRUE(processes.list({"gammastep"}).empty());
    ASSERT_TRUE(spin([&] { return !ended.empty(); }));
    spinFor(20ms);
    EXPECT_EQ(ended, found);
}

TEST_F(ProcProcessesTest, ARealProcessIsFoundByItsNameAskedToQuitAndItsEndHeard) {
    // The kernel names a process after the file it was started from, here a link whose name
    // is longer than the 15 characters the kernel keeps.
    const fs::path link = root / "vesperine-test-competitor";
    fs::create_symlink("/bin/sleep", link);
    Child child(link.string());
    // The parent may resume before the kernel has renamed the child: wait for the new name.
    const auto cmdline = fs::path("/proc") / std::to_string(child.pid()) / "cmdline";
    spin([&] {
        std::string first;
        std::getline(std::ifstream(cmdline), first, '\0');
        return first == link.string();
    });
    ProcProcesses processes(loop, loop, logger);
    std::vector<RunningProcess> ended;
    Handle watch = processes.observeExits([&](const RunningProcess& p) { ended.push_back(p); });
    const auto found = processes.list({"vesperine-test-competitor"});
    ASSERT_EQ(found, (std::vector<RunningProcess>{{child.pid(), "vesperine-test-competitor"}}));
    ASSERT_TRUE(processes.terminate(found[0]));
    ASSERT_TRUE(spin([&] { return !ended.empty(); }));  // no poll: the pidfd
    EXPECT_EQ(ended, found);
    EXPECT_EQ(child.wait(5s), 128 + SIGTERM);
    EXPECT_FALSE(processes.terminate(found[0]));
}

}  // namespace
}  // namespace vesperine
