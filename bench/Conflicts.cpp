// What the conflict detector's minute poll costs: listing the competing programs in the real
// /proc, as is and with extra processes of this user running (a desktop session has a few
// hundred), and the rest of a refresh (night light read from what was last heard, display
// tables read back; simulated here, a RandR round trip per display in the program).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <dirent.h>

#include "Platform/Linux/Process/ProcProcesses.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/VirtualTime.h"
#include "System/ConflictDetector.h"

extern char** environ;

namespace vesperine {
namespace {

std::vector<std::string> executables() {
    std::vector<std::string> out;
    for (const auto& app : ConflictDetector::knownApps()) out.push_back(app.executable);
    return out;
}

int processCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc")) {
        while (const dirent* e = ::readdir(dir)) count += e->d_name[0] >= '0' && e->d_name[0] <= '9';
        ::closedir(dir);
    }
    return count;
}

// The loop never runs here: nothing is watched, and timers wait in virtual time.
struct Unwatched final : IoWatcher {
    IoWatch watchReadable(int, std::function<void()>) override { return {}; }
};

// `n` sleeping children of this user for the length of one benchmark.
struct Sleepers {
    explicit Sleepers(int n) {
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("600"), nullptr};
        for (int i = 0; i < n; ++i) {
            pid_t pid = 0;
            if (::posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) == 0) pids.push_back(pid);
        }
    }
    ~Sleepers() {
        for (pid_t pid : pids) ::kill(pid, SIGKILL);
        for (pid_t pid : pids) ::waitpid(pid, nullptr, 0);
    }
    std::vector<pid_t> pids;
};

void BM_ListCompetitors(benchmark::State& state) {
    Sleepers extra(static_cast<int>(state.range(0)));
    Unwatched watcher;
    VirtualTime time;
    CapturingLogger logger;
    ProcProcesses processes(watcher, time, logger);
    const auto names = executables();
    for (auto _ : state) benchmark::DoNotOptimize(processes.list(names));
    state.counters["processes"] = processCount();
}
BENCHMARK(BM_ListCompetitors)->Arg(0)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_Refresh(benchmark::State& state) {
    Sleepers extra(300);
    Unwatched watcher;
    VirtualTime time;
    CapturingLogger logger;
    ProcProcesses processes(watcher, time, logger);
    SimulatedColourFeature nightLight(time);
    SimulatedDisplays displays;
    displays.add({1, "Built-in", {}, 1, true});
    displays.add({2, "External", {}, 1, false});
    Observable<std::vector<DisplayInfo>> known{{{1, "Built-in"}, {2, "External"}}};
    ConflictDetector detector({nightLight, processes, known, displays, time, logger}, "Vesperine");
    for (auto _ : state) detector.refresh();
    state.counters["processes"] = processCount();
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vesperine
