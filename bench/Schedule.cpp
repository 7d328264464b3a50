// Costs of the schedule computations the app state makes on every wake-up.
#include <benchmark/benchmark.h>

#include "Schedule/Cities.h"
#include "Schedule/Presets.h"
#include "Schedule/ScheduleEngine.h"
#include "Schedule/SolarCalculator.h"

namespace vesperine {
namespace {

const Instant evening = Instant::fromUnix(1'781'100'000);  // June 2026

void engineEvaluation(benchmark::State& state) {
    ScheduleEngine engine(Presets::dayAndNight(), Location{"Berlin, Germany", 52.52, 13.405},
                          TimeZone{"Europe/Berlin"});
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.state(evening + t));
        t += 37;
    }
}
BENCHMARK(engineEvaluation);

void solarDay(benchmark::State& state) {
    Calendar calendar(TimeZone{"Europe/Berlin"});
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SolarCalculator::day(evening + t, 52.52, 13.405, calendar));
        t += 86400;
    }
}
BENCHMARK(solarDay);

// What each evaluation pays for its calendar: the zone looked up, one wall time placed.
void calendarPerEvaluation(benchmark::State& state) {
    double t = 0;
    for (auto _ : state) {
        Calendar calendar(TimeZone{"Europe/Berlin"});
        benchmark::DoNotOptimize(calendar.dateBySetting(23, 0, 0, evening + t));
        t = t < 365 * 86400 ? t + 86400 : 0;  // days of one year
    }
}
BENCHMARK(calendarPerEvaluation);

void citySearch(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Cities::search("san"));
}
BENCHMARK(citySearch);

}  // namespace
}  // namespace vesperine
