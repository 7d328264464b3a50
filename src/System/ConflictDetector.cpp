#include "System/ConflictDetector.h"

#include <algorithm>
#include <cmath>

#include "Display/GammaController.h"

namespace vesperine {

namespace {

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& text : texts) {
        if (!out.empty()) out += ", ";
        out += text;
    }
    return out;
}

}  // namespace

const std::vector<ConflictDetector::KnownApp>& ConflictDetector::knownApps() {
    // Programs that set the display tables (or the compositor's colour transform) on their
    // own schedule. Wrappers such as tray icons are left out: they stop with the program
    // they run.
    static const std::vector<KnownApp> apps = {
        {"Redshift", "redshift"},   {"Gammastep", "gammastep"},
        {"wlsunset", "wlsunset"},   {"xsct", "xsct"},
        {"sct", "sct"},             {"sctd", "sctd"},
        {"Gammy", "gammy"},         {"xflux", "xflux"},
        {"hyprsunset", "hyprsunset"}, {"wl-gammarelay-rs", "wl-gammarelay-rs"},
    };
    return apps;
}

ConflictDetector::ConflictDetector(Services services, std::string appName)
    : services_(services), appName_(std::move(appName)), log_(services.logger, "conflicts") {}

void ConflictDetector::start() {
    nightLightWatch_ = services_.nightLight.observe(alive_.guard([this] { refresh(); }));
    exitWatch_ = services_.processes.observeExits(
        alive_.guard([this](const RunningProcess&) { refresh(); }));
    // The poll need not be on the second: during a fade it shares a frame's wake-up.
    poll_ = services_.scheduler.repeatingWithLeeway(pollInterval, pollLeeway,
                                                    alive_.guard([this] { refresh(); }));
    refresh();
}

void ConflictDetector::refresh() {
    std::vector<Conflict> found;
    std::vector<std::string> unreadable;

    // Our Warm cannot show through a night light we switched off (KWin's inhibition wins
    // over its settings).
    if (quietedNightLight_ && services_.gamma.showsThroughNightLight()) {
        quietedNightLight_ = false;
        if (services_.nightLight.status() == SystemFeatureStatus::off)
            services_.nightLight.setEnabled(true, [](bool) {});
    }

    switch (services_.nightLight.status()) {
        case SystemFeatureStatus::on:
            // Our own Warm, shown through the night light where the desktop lends nothing
            // else, is not a competitor.
            if (!services_.gamma.showsThroughNightLight()) found.push_back(Conflict::nightLight());
            break;
        case SystemFeatureStatus::unavailable: unreadable.emplace_back(nightLightName); break;
        case SystemFeatureStatus::off: break;
    }

    const auto& known = knownApps();
    std::vector<std::string> executables;
    for (const auto& app : known) executables.push_back(app.executable);
    // One conflict per running process: two instances of one program are two conflicts.
    for (const auto& process : services_.processes.list(executables)) {
        auto match = std::find_if(known.begin(), known.end(), [&](const KnownApp& app) {
            return app.executable == process.executable;
        });
        if (match != known.end()) found.push_back(Conflict::app(match->name, process.executable));
    }

    if (!appOwnsGamma() && displaysHaveForeignGamma()) found.push_back(Conflict::foreignGamma());

    if (found != conflicts_.get()) {
        // In the words the panel shows them in, so the log reads like the screen.
        std::string line = found.empty() ? "Conflicts: none." : "Conflicts:";
        for (const auto& conflict : found) line += " " + conflict.message(appName_);
        if (!unreadable.empty())
            line += " " + joined(unreadable) + " can't be checked on this desktop.";
        log_.notice("%s", line.c_str());
        conflicts_.set(std::move(found));
    }
    unavailable_.set(std::move(unreadable));
}

void ConflictDetector::fix(const Conflict& conflict) {
    switch (conflict.kind()) {
        case Conflict::Kind::nightLight:
            // A refusal leaves the conflict in place; the refreshes below show it again. Where
            // it shows our own Warm it is no competitor, and off it would hide ours.
            if (services_.gamma.showsThroughNightLight()) break;
            quietedNightLight_ = true;
            services_.nightLight.setEnabled(false, [](bool) {});
            break;
        case Conflict::Kind::app:
            for (const auto& process : services_.processes.list({conflict.bundleID()})) {
                auto asked = services_.processes.terminate(process);
                if (!asked) {
                    log_.error("Couldn't ask %s (%d) to quit: %s", process.executable.c_str(),
                               process.pid, asked.error().description.c_str());
                }
            }
            break;
        case Conflict::Kind::foreignGamma: break;
    }
    refresh();
    settle_ = services_.scheduler.oneShot(settleDelay, alive_.guard([this] { refresh(); }));
}

bool ConflictDetector::displaysHaveForeignGamma() const {
    std::vector<DisplayID> ids;
    for (const auto& display : services_.displays.get()) ids.push_back(display.id);
    if (ids.empty()) return false;
    for (const auto& [id, table] :
         GammaController::readAll(services_.gamma, ids, GammaController::endsOnly)) {
        if (table && isForeign(*table)) return true;
    }
    return false;
}

bool ConflictDetector::isForeign(const GammaTable::Channels& table) {
    if (table.r.empty() || table.g.empty() || table.b.empty()) return false;
    const double tops[] = {table.r.back(), table.g.back(), table.b.back()};
    if (!std::all_of(std::begin(tops), std::end(tops), [](double v) { return std::isfinite(v); }))
        return false;
    const auto [smallest, largest] = std::minmax_element(std::begin(tops), std::end(tops));
    return *largest > 1.02 || *largest - *smallest > 0.05;
}

}  // namespace vesperine
