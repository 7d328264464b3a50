// What fades cost as the program runs them. The evening step of the default schedule as the
// app state drives it (Bright 200% to Warm 3400 K over 30 minutes, handed to the pipeline in
// pieces of 5 s), in virtual time: the frames written, per display with and without boost.
// And, when DISPLAY names an X server (a dummy-driver one: bench/compare-peers.sh), one
// written frame of a fade on it as the program makes it (the blend, the per-display gains,
// the scaled table, its conversion to the CRTC's ramp and the request with its round trip),
// and one watchdog tick over every lit output. And the same written frame on the Wayland
// backend, to the compositor of the Wayland tests.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

#include "Color/Kelvin.h"
#include "Display/DisplayPipeline.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Schedule/ModeBlend.h"

#if VESPERINE_BENCH_WAYLAND
#include "Platform/Wayland/WaylandDisplays.h"
#include "TestCompositor.h"
#endif
#if VESPERINE_BENCH_X11
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#endif

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// Writes one frame per iteration of a fade between two tints fast enough that every 33 ms
// frame writes, on every display of `displays`; `afterFrame` runs after each. Returns
// the number of displays.
template <class AfterFrame>
std::size_t writeFrames(benchmark::State& state, DisplayList& displays, DisplayGamma& gamma,
                        VirtualTime& time, Logger& logger, AfterFrame afterFrame) {
    SimulatedEDRSurfaces surfaces;
    DisplayPipeline pipeline(displays, gamma, surfaces, time, logger);
    bool warmer = true;
    pipeline.apply({1.0, Kelvin::gains(4000)}, 0);
    time.runDue();
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (!pipeline.isFading()) {
            state.PauseTiming();
            warmer = !warmer;
            pipeline.apply({1.0, Kelvin::gains(warmer ? 2500 : 4000)}, 10);
            time.runDue();  // the first frame: nothing new to show
            state.ResumeTiming();
        }
        time.advance(*time.nextDue() - time.monotonicNow());
        ++frames;
        afterFrame();
    }
    const std::size_t count = pipeline.displays()->size();
    pipeline.reset();
    state.SetItemsProcessed(frames);
    return count;
}

void eveningFade(benchmark::State& state) {
    int boosted = 0, plain = 0;
    for (auto _ : state) {
        SimulatedDisplays displays;
        displays.add({1, "built-in", {0, 0, 1920, 1080}, 2.0, true, 16.0, 4.0});
        displays.add({2, "external", {1920, 0, 1920, 1080}, 1.0, false, 1.0, 1.0});
        SimulatedEDRSurfaces surfaces;
        VirtualTime time;
        CapturingLogger logger;
        DisplayPipeline pipeline(displays, displays, surfaces, time, logger);
        const auto from = DisplayMode::bright(2.0), to = DisplayMode::warm(3400);
        pipeline.apply(ModeBlend::target(from, to, 0), 0);
        time.runDue();
        const int before[] = {displays.writesTo(1), displays.writesTo(2)};
        for (int piece = 1; piece <= 360; ++piece) {
            pipeline.apply(ModeBlend::target(from, to, piece / 360.0), 5);
            time.advance(5s);
        }
        time.advance(1s);
        boosted = displays.writesTo(1) - before[0];
        plain = displays.writesTo(2) - before[1];
    }
    state.counters["frames written, display with boost"] = boosted;
    state.counters["frames written, display without boost"] = plain;
    state.counters["frames of 33 ms"] = 30 * 60 / 0.033;
}
BENCHMARK(eveningFade)->Unit(benchmark::kMillisecond)->Iterations(3);

#if VESPERINE_BENCH_X11
struct X11Machine {
    bool open(benchmark::State& state) {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) {
            state.SkipWithError("DISPLAY is not set: no X server to write to");
            return false;
        }
        auto opened = X11Connection::open("", logger);
        if (!opened) {
            state.SkipWithError(opened.error().description.c_str());
            return false;
        }
        connection = std::move(opened).value();
        displays = std::make_unique<X11Displays>(*connection, logger);
        if (displays->screens().empty()) {
            state.SkipWithError("the X server has no lit output");
            return false;
        }
        return true;
    }
    CapturingLogger logger;
    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<X11Displays> displays;
};

// One iteration = one frame that writes, on every lit output, of a fade between two tints
// fast enough that every 33 ms frame writes.
void x11FadeFrame(benchmark::State& state) {
    X11Machine machine;
    if (!machine.open(state)) return;
    VirtualTime time;
    const auto outputs =
        writeFrames(state, *machine.displays, *machine.displays, time, machine.logger, [] {});
    state.counters["outputs"] = static_cast<double>(outputs);
}
BENCHMARK(x11FadeFrame)->Unit(benchmark::kMicrosecond);

// One watchdog tick: the tables of every lit output read in one batch and compared.
void x11WatchdogTick(benchmark::State& state) {
    X11Machine machine;
    if (!machine.open(state)) return;
    VirtualTime time;
    GammaController gamma(*machine.displays, time, machine.logger);
    std::vector<DisplayID> outputs;
    for (const auto& screen : machine.displays->screens()) outputs.push_back(screen.id);
    gamma.apply(Kelvin::gains(3400), outputs);
    for (auto _ : state) time.advance(2s);
    gamma.restore();
    state.counters["outputs"] = static_cast<double>(outputs.size());
}
BENCHMARK(x11WatchdogTick)->Unit(benchmark::kMicrosecond);
#endif

#if VESPERINE_BENCH_WAYLAND
// One written frame of a fade on the Wayland backend, to the tests' compositor (on a thread of
// its own, over a real socket): the blend, the gains, the table resampled to each output's
// size, its memory file and the request, on two outputs of 256 and 1024 entries. No reply is
// awaited; the compositor's reading of the file runs on the other thread, and `sync` counts
// the frames it received. The argument is the number of outputs: one of 256 entries, or that
// and one of 1024.
void waylandFadeFrame(benchmark::State& state) {
    testing::TestCompositor compositor;
    compositor.addOutput("DP-1", "Left", 256);
    if (state.range(0) > 1) compositor.addOutput("DP-2", "Right", 1024, 1920);
    CapturingLogger logger;
    VirtualTime time;
    auto connection = WaylandConnection::adopt(compositor.connectClient(), logger);
    if (!connection) {
        state.SkipWithError(connection.error().description.c_str());
        return;
    }
    WaylandDisplays displays(*connection.value(), time, logger);
    std::int64_t frames = 0;
    // Frames come 33 ms apart in a run: the compositor keeps up. Here it is given the time to,
    // or every frame after the socket fills would be skipped as `compositorBusy`.
    const auto outputs = writeFrames(state, displays, displays, time, logger, [&] {
        if (++frames % 32 != 0) return;
        state.PauseTiming();
        connection.value()->roundtrip();
        state.ResumeTiming();
    });
    connection.value()->roundtrip();
    state.counters["outputs"] = static_cast<double>(outputs);
    state.counters["tables received"] = static_cast<double>(
        compositor.tables("DP-1").size() + (state.range(0) > 1 ? compositor.tables("DP-2").size() : 0));
}
BENCHMARK(waylandFadeFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace vesperine
