// Cost of the colour computations that run on every fade frame (every 33 ms).
#include <benchmark/benchmark.h>

#include "Color/Kelvin.h"
#include "Schedule/ModeBlend.h"

namespace vesperine {
namespace {

void kelvinGains(benchmark::State& state) {
    double kelvin = 1200;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Kelvin::gains(kelvin));
        kelvin = kelvin >= 6500 ? 1200 : kelvin + 13.7;
    }
}
BENCHMARK(kelvinGains);

void warmBlendAndTarget(benchmark::State& state) {
    const auto from = DisplayMode::warm(6500), to = DisplayMode::warm(2700);
    double p = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ModeBlend::target(from, to, p));
        p = p >= 1 ? 0 : p + 0.001;
    }
}
BENCHMARK(warmBlendAndTarget);

void brightToWarmBlend(benchmark::State& state) {
    const auto from = DisplayMode::bright(2.5), to = DisplayMode::warm(3400);
    double p = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ModeBlend::target(from, to, p));
        p = p >= 1 ? 0 : p + 0.001;
    }
}
BENCHMARK(brightToWarmBlend);

}  // namespace
}  // namespace vesperine
