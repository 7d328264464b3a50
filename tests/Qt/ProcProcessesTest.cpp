#include "Platform/Linux/Process/ProcProcesses.h"

#include <gtest/gtest.h>

#include "Platform/Linux/System/GLibMainLoop.h"
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
using namespace std::string_literals;
namespace fs = std::filesystem;

// A real child process (so pidfds, signals and exits are real), on our X display.
struct Child : ChildProcess {
    explicit Child(const std::string& program = "/bin/sleep")
        : ChildProcess({program, "600"}, {}, SIGKILL, std::vector<std::string>{"DISPLAY=:0"}) {}
};

class ProcProcessesTest : public testing::Test {
protected:
    // A /proc entry for `pid` whose kernel name is `comm`, command line `argv0` and
    // environment `environment` (entries separated by "|"; by default on our X display).
    void fake(int pid, const std::string& comm, char state = 'S', std::string argv0 = "",
              std::string environment = "HOME=/h|DISPLAY=:0") {
        const std::string dir = std::to_string(pid) + "/";
        root.write(dir + "stat", std::to_string(pid) + " (" + comm + ") " + state + " 1 1 1 0 -1\n");
        root.write(dir + "comm", comm + "\n");
        root.write(dir + "cmdline", (argv0.empty() ? comm : argv0) + "\0-l\0"s);
        std::replace(environment.begin(), environment.end(), '|', '\0');
        root.write(dir + "environ", environment + '\0');
    }

    // The processes of `proc`, their ends heard into `ended`.
    ProcProcesses& watch(const std::string& proc) {
        processes = std::make_unique<ProcProcesses>(loop, loop, logger, proc, ours);
        watching = processes->observeExits([&](const RunningProcess& p) { ended.push_back(p); });
        return *processes;
    }

    TempFolder root;
    // Ours: outside a login session (a user service), on X display :0 and a Wayland socket.
    const ProcessSession ours{"", ":0", "/run/user/1000/wayland-1"};
    GLibMainLoop loop;
    CapturingLogger logger;
    std::unique_ptr<ProcProcesses> processes;
    std::vector<RunningProcess> ended;
    Handle watching;
};

TEST(ProcessSession, ProcessesShareOurDisplaysByLoginSessionElseByTheirEnvironment) {
    const ProcessSession inSession{"3", ":0", ""}, outside{"", ":0", "/run/user/1000/wayland-1"};
    const std::tuple<const char*, ProcessSession, std::string, std::string, bool> cases[] = {
        {"our login session, another display", inSession, "DISPLAY=:1", "3", true},
        {"another login session, our display", inSession, "DISPLAY=:0", "5", false},
        {"no session of theirs: our display by another name", inSession,
         "HOME=/h\0DISPLAY=:0.0"s, "", true},
        {"no session of ours: the local host named", outside, "DISPLAY=unix:0", "7", true},
        {"a display forwarded over TCP", outside, "DISPLAY=localhost:0.0", "", false},
        {"another X display", outside, "DISPLAY=:1", "", false},
        {"our Wayland socket, named relative to the runtime folder", outside,
         "WAYLAND_DISPLAY=wayland-1\0XDG_RUNTIME_DIR=/run/user/1000"s, "", true},
        {"another Wayland session", outside,
         "WAYLAND_DISPLAY=wayland-0\0XDG_RUNTIME_DIR=/run/user/1000"s, "", false},
        {"no display at all", outside, "HOME=/h", "", false},
    };
    for (const auto& [name, ours, environment, session, shared] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ours.sharesDisplaysWith(ProcessSession::fromEnvironment(environment, session)),
                  shared);
    }
}

TEST_F(ProcProcessesTest, ListsThisUsersRunningCompetitorsOnOurDisplaysByExecutableName) {
    Child a, b, c, d, e, f, g, h, i, j;
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
    fake(i.pid(), "redshift", 'S', "", "DISPLAY=:1");  // of the user's other X session
    fake(j.pid(), "gammastep", 'S', "", "XDG_RUNTIME_DIR=/run/user/1000|WAYLAND_DISPLAY=wayland-1");
    root.write("self", "not a process");
    fs::create_directories(root / "sys");

    ProcProcesses processes(loop, loop, logger, root.root(), ours);
    const auto found =
        processes.list({"redshift", "gammastep", "wl-gammarelay-rs", "x (y) z)"});
    std::vector<RunningProcess> expected = {{a.pid(), "redshift"},
                                            {b.pid(), "gammastep"},
                                            {j.pid(), "gammastep"},
                                            {d.pid(), "wl-gammarelay-rs"},
                                            {g.pid(), "x (y) z)"}};
    if (::geteuid() != 0) expected.push_back({h.pid(), "redshift"});
    std::sort(expected.begin(), expected.end(),
              [](const auto& x, const auto& y) { return x.pid < y.pid; });
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(logger.lines().empty());
}

// A process that has gone since it was listed is never signalled, and its end is heard once,
// also when a later listing no longer counts it.
TEST_F(ProcProcessesTest, AProcessGoneSinceTheListingIsNotSignalledAndItsEndHeard) {
    Child listed, unlisted;
    fake(listed.pid(), "gammastep");
    fake(unlisted.pid(), "redshift");
    ProcProcesses& processes = watch(root.root());
    const auto found = processes.list({"gammastep"});
    ASSERT_EQ(found.size(), 1u);
    // Its id is free for anyone now: the pidfd of the ended process reaches nobody.
    listed.signal(SIGKILL);
    listed.wait(5s);
    EXPECT_FALSE(processes.terminate(found[0]));
    fs::remove_all(root / std::to_string(found[0].pid));
    EXPECT_TRUE(processes.list({"gammastep"}).empty());
    EXPECT_FALSE(processes.terminate(found[0]));
    // Never listed: not ours to signal, even by a known name.
    EXPECT_FALSE(processes.terminate({unlisted.pid(), "redshift"}));
    EXPECT_EQ(::kill(unlisted.pid(), 0), 0);
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
    ProcProcesses& processes = watch("/proc");
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
