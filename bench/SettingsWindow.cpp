// The settings window's cost over the real services on a simulated machine, on Qt's offscreen
// platform: making and first painting it, switching to each tab and painting it, and the heap
// it keeps once closed (the window is made when opened and destroyed when closed).
// The real program's figures on an X server come from bench/settings-window.sh.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QTabWidget>

#include "Platform/Simulated/SimulatedLoginItem.h"
#include "Settings/Views/SettingsWindow.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

struct Window {
    explicit Window(ViewWorld& world) {
        AppDelegate& app = world.app ? *world.app : world.start();
        services = std::make_unique<SettingsServices>(SettingsServices{
            app.state(), app.appRules(), app.powerGuard(), app.hotkeys(), app.conflicts(),
            app.guide(), app.updater(), loginItem, world.machine.relaunch,
            world.machine.workspace, world.machine.defaults, world.machine.time,
            AppInfo::current(), {}, {}, [] {}});
        window = std::make_unique<SettingsWindow>(*services);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        window->grab();  // lays out and paints what a first show would
    }
    SimulatedLoginItem loginItem;
    std::unique_ptr<SettingsServices> services;
    std::unique_ptr<SettingsWindow> window;
};

std::size_t heapInUse() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return mallinfo2().uordblks;
}

void openAndClose(benchmark::State& state) {
    ViewWorld world;
    world.start();
    const std::size_t beforeFirst = heapInUse();
    { Window first(world); }  // fonts, styles and icons Qt keeps for the process once loaded
    const std::size_t before = heapInUse();
    state.counters["heap kept by the first, KiB"] = (double(before) - double(beforeFirst)) / 1024;
    std::size_t open = 0;
    for (auto _ : state) {
        Window shown(world);
        state.PauseTiming();
        open = heapInUse();
        state.ResumeTiming();
    }
    state.counters["heap open, KiB"] = double(open - before) / 1024;
    state.counters["heap kept after close, KiB"] = (double(heapInUse()) - double(before)) / 1024;
}
BENCHMARK(openAndClose)->Unit(benchmark::kMillisecond);

void switchTab(benchmark::State& state) {
    ViewWorld world;
    Window shown(world);
    QTabWidget* tabs = shown.window->tabs();
    int index = 0;
    for (auto _ : state) {
        index = (index + 1) % tabs->count();
        tabs->setCurrentIndex(index);
        tabs->currentWidget()->grab();
    }
    state.counters["tabs"] = tabs->count();
}
BENCHMARK(switchTab)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesperine

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns about every window hint it cannot pass on: noise here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
