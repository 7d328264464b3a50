#include "Display/GammaController.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace vesperine {

using GammaTable::Channels;

GammaController::GammaController(DisplayGamma& gamma, Scheduler& scheduler, Logger& logger)
    : gamma_(gamma), scheduler_(scheduler), log_(logger, "gamma") {}

namespace {

// Buffers start out holding this NaN, so that entries a driver counts but never fills can be
// told from entries it did fill (even with a NaN of its own).
constexpr std::uint32_t unfilledBits = 0x7FC0'5E7Au;

bool unfilled(float value) {
    return std::bit_cast<std::uint32_t>(value) == unfilledBits;
}

}  // namespace

std::optional<Channels> GammaController::read(DisplayGamma& gamma, DisplayID display) {
    const float sentinel = std::bit_cast<float>(unfilledBits);
    Channels table{std::vector<float>(readCapacity, sentinel),
                   std::vector<float>(readCapacity, sentinel),
                   std::vector<float>(readCapacity, sentinel)};
    std::size_t count = 0;
    const int result = gamma.readTable(display, readCapacity, table.r.data(), table.g.data(),
                                       table.b.data(), count);
    // A driver may report more entries than fit the buffer it was given, or more than it
    // filled: use neither. Taken as part of the table, the unfilled tail would be its end,
    // and the display's baseline a curve that never reaches white.
    count = std::min(count, readCapacity);
    while (count > 0 && unfilled(table.r[count - 1]) && unfilled(table.g[count - 1]) &&
           unfilled(table.b[count - 1]))
        --count;
    if (result != 0 || count < 2) return std::nullopt;
    table.r.resize(count);
    table.g.resize(count);
    table.b.resize(count);
    return table;
}

Channels GammaController::cleanBaseline(const std::optional<Channels>& table) {
    if (!table || table->r.size() < 2 || table->g.empty() || table->b.empty()) {
        return Channels::identity(tableSize);
    }
    // A calibration loaded from a colour profile is any curve, its channel ends apart too: it
    // is the display's own. Telling a tint left by a run that was killed from such a curve is
    // the platform's job (restoring gives the display its own table back before this read).
    // A table whose brightest end is black is what a driver that cannot read gamma hands
    // back (zeros); scaling it would blank the screen, so it is no one's own setting.
    const double largest = std::max({table->r.back(), table->g.back(), table->b.back()});
    if (!(largest > 0.0)) return Channels::identity(tableSize);
    // Entries below black or well above white (or not numbers) are driver garbage, even when
    // the ends look plausible.
    for (const auto* channel : {&table->r, &table->g, &table->b}) {
        for (float v : *channel) {
            if (!(v >= 0.0f && v <= 1.02f)) return Channels::identity(tableSize);
        }
    }
    return *table;
}

const Channels& GammaController::baseline(DisplayID display) {
    auto found = baselines_.find(display);
    if (found != baselines_.end()) return found->second;
    Channels candidate = cleanBaseline(read(gamma_, display));
    if (candidate.count() != tableSize || candidate.g.size() != tableSize ||
        candidate.b.size() != tableSize) {
        candidate = GammaTable::resampled(candidate, tableSize);
    }
    return baselines_.emplace(display, std::move(candidate)).first->second;
}

bool GammaController::write(DisplayID display, const RGBGains& gains) {
    // Tables may still hold a tint from an earlier run that ended without cleaning up;
    // reading that as a baseline would stack tint on tint.
    restoreOnce();
    const Channels table = GammaTable::scaled(baseline(display), gains);
    const int result =
        gamma_.writeTable(display, table.count(), table.r.data(), table.g.data(), table.b.data());
    if (result != 0) {
        auto [it, first] = lastFailure_.emplace(display, result);
        if (first || it->second != result) {
            it->second = result;
            log_.error("CGSetDisplayTransferByTable failed on %u: %d", display, result);
        }
        failed_[display] = gains;
        return false;
    }
    lastFailure_.erase(display);
    failed_.erase(display);
    applied_[display] = gains;
    return true;
}

void GammaController::apply(const std::map<DisplayID, RGBGains>& gains) {
    const bool allNeutral = std::all_of(gains.begin(), gains.end(),
                                        [](const auto& entry) { return entry.second.isNeutral(); });
    if (allNeutral) {
        restore();
        return;
    }
    for (const auto& [display, displayGains] : gains) write(display, displayGains);
    startWatchdog();
}

void GammaController::apply(const RGBGains& gains, const std::vector<DisplayID>& displays) {
    std::map<DisplayID, RGBGains> all;
    for (auto display : displays) all[display] = gains;
    apply(all);
}

void GammaController::reapplyAfterReconfiguration(const std::map<DisplayID, RGBGains>& gains) {
    // Our own tint is still on the tables: give the displays their own back before the
    // baselines are read again, or a strong tint becomes identity and a mild one doubles.
    gamma_.restoreAll();
    restoredThisRun_ = true;
    applied_.clear();
    baselines_.clear();
    lastDrift_.clear();
    failed_.clear();
    apply(gains);
}

void GammaController::restoreOnce() {
    if (restoredThisRun_) return;
    restoredThisRun_ = true;
    gamma_.restoreAll();
}

void GammaController::restore() {
    gamma_.restoreAll();
    restoredThisRun_ = true;
    applied_.clear();
    lastDrift_.clear();
    failed_.clear();
    stopWatchdog();
}

void GammaController::startWatchdog() {
    if (watchdog_.isActive()) return;
    watchdog_ =
        scheduler_.repeating(std::chrono::seconds(2), alive_.guard([this] { checkTables(); }));
}

void GammaController::stopWatchdog() {
    watchdog_.cancel();
}

void GammaController::checkTables() {
    // A copy: repairing changes `applied_`.
    const auto snapshot = applied_;
    for (const auto& [display, gains] : snapshot) {
        if (failed_.count(display)) continue;  // retried below with the gains it should show
        auto now = read(gamma_, display);
        if (!now) continue;
        auto base = baselines_.find(display);
        if (base == baselines_.end()) continue;
        double drift = std::max({std::abs(now->r.back() - gains.r * base->second.r.back()),
                                 std::abs(now->g.back() - gains.g * base->second.g.back()),
                                 std::abs(now->b.back() - gains.b * base->second.b.back())});
        // A table of NaN read back counts as one large, steady drift (acted on once).
        if (!std::isfinite(drift)) drift = 1e9;
        if (drift <= 0.01) {
            lastDrift_.erase(display);
            continue;
        }
        auto last = lastDrift_.find(display);
        if (last != lastDrift_.end() && std::abs(last->second - drift) < 0.01) continue;
        lastDrift_[display] = drift;
        log_.notice("Gamma drifted on %u by %f; re-applying", display, drift);
        applied_.erase(display);
        // Straight to this one display's table: neutral gains here (a display without boost
        // beside a boosted one) must not take the all-neutral path that restores everything.
        write(display, gains);
    }
    // A write that failed on the last frame of a fade has no next frame to retry it; without
    // this the display would stay as it was until the target changes, which may be hours.
    // A display that keeps failing costs one call per tick, and is logged once per cause.
    const auto retries = failed_;
    for (const auto& [display, gains] : retries) write(display, gains);
}

}  // namespace vesperine
