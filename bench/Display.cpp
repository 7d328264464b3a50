// Cost of one fade frame (blend, per-display gains, table scaling and writing), on simulated
// displays and, when DISPLAY names an X server, on real RandR gamma ramps; and the CPU time
// of a whole 30-minute fade at 33 ms frames.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "Color/Kelvin.h"
#include "Display/DisplayPipeline.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/VirtualTime.h"

#if VESPERINE_BENCH_X11
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "Platform/X11/X11EDRSurfaces.h"
#endif

namespace vesperine {
namespace {

using namespace std::chrono_literals;

struct SimulatedMachine {
    explicit SimulatedMachine(int count) {
        for (int i = 1; i <= count; ++i) {
            // Every other display can boost, so both kinds of gains are computed.
            displays.add({DisplayID(i),
                          "Display",
                          {1920.0 * i, 0, 1920, 1080},
                          1.0,
                          false,
                          i % 2 ? 16.0 : 1.0,
                          4.0});
        }
        pipeline = std::make_unique<DisplayPipeline>(displays, displays, surfaces, time, logger);
    }
    SimulatedDisplays displays;
    SimulatedEDRSurfaces surfaces;
    VirtualTime time;
    CapturingLogger logger;
    std::unique_ptr<DisplayPipeline> pipeline;
};

// One iteration = one 33 ms frame of a fade between two tints, fast enough that every frame
// writes every display (a slow fade writes only frames that change what is shown).
void fadeFrame(benchmark::State& state) {
    SimulatedMachine machine(static_cast<int>(state.range(0)));
    machine.pipeline->apply({1.0, Kelvin::gains(2700)}, 0);
    machine.time.runDue();
    bool warmer = false;
    const int before = machine.displays.writes();
    for (auto _ : state) {
        if (!machine.pipeline->isFading()) {
            warmer = !warmer;
            machine.pipeline->apply({1.0, Kelvin::gains(warmer ? 2700 : 4500)}, 10);
        }
        machine.time.advance(DisplayPipeline::frameInterval);
    }
    state.counters["writes/frame"] = static_cast<double>(machine.displays.writes() - before) /
                                     static_cast<double>(state.iterations());
}
BENCHMARK(fadeFrame)->Arg(1)->Arg(4)->Arg(16);

// A 30-minute fade to warm as fast as virtual time runs it: a frame wherever the tint has
// moved visibly, about 1,900 of its 54,500 ticks of 33 ms.
void thirtyMinuteFade(benchmark::State& state) {
    for (auto _ : state) {
        SimulatedMachine machine(static_cast<int>(state.range(0)));
        machine.pipeline->apply({1.0, Kelvin::gains(3400)}, 30 * 60);
        machine.time.advance(30min + 1s);
        benchmark::DoNotOptimize(machine.displays.writes());
    }
}
BENCHMARK(thirtyMinuteFade)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(3);

#if VESPERINE_BENCH_X11
// The loop never runs here: nothing is watched, and timers wait in virtual time.
struct Unwatched final : IoWatcher {
    IoWatch watchReadable(int, std::function<void()>) override { return {}; }
};

// One frame on a real X server: scale the baseline and write the ramp (a checked round trip).
void x11Frame(benchmark::State& state) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        state.SkipWithError("DISPLAY is not set: no X server to write to");
        return;
    }
    CapturingLogger logger;
    auto connection = X11Connection::open("", logger);
    if (!connection) {
        state.SkipWithError(connection.error().description.c_str());
        return;
    }
    Unwatched watcher;
    VirtualTime loop;
    (*connection)->attach(watcher, loop);
    X11Displays displays(**connection, logger);
    const auto screens = displays.screens();
    if (screens.empty()) {
        state.SkipWithError("the X server has no lit output");
        return;
    }
    GammaController gamma(displays, loop, logger);
    const DisplayID id = screens.front().id;
    double g = 0.7;
    for (auto _ : state) {
        gamma.apply({{id, RGBGains{1.0, g, 0.5}}});
        g = g > 0.9 ? 0.7 : g + 0.001;
    }
    gamma.restore();
}
BENCHMARK(x11Frame)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace vesperine
