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
    return std::move(readAll(gamma, {display}).begin()->second);
}

std::map<DisplayID, std::optional<Channels>> GammaController::readAll(
    DisplayGamma& gamma, const std::vector<DisplayID>& displays, std::size_t capacity,
    Reading reading) {
    capacity = std::clamp<std::size_t>(capacity, 2, readCapacity);
    const float sentinel = std::bit_cast<float>(unfilledBits);
    std::vector<Channels> tables;
    std::vector<DisplayGamma::TableRead> reads;
    tables.reserve(displays.size());
    for (auto display : displays) {
        tables.push_back({std::vector<float>(capacity, sentinel),
                          std::vector<float>(capacity, sentinel),
                          std::vector<float>(capacity, sentinel)});
        auto& table = tables.back();
        reads.push_back({display, capacity, table.r.data(), table.g.data(), table.b.data()});
    }
    reading == Reading::now ? gamma.readTables(reads) : gamma.readTablesAskedBefore(reads);
    std::map<DisplayID, std::optional<Channels>> result;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        auto& table = tables[i];
        // A driver may report more entries than fit the buffer it was given, or more than it
        // filled: use neither. Taken as part of the table, the unfilled tail would be its end,
        // and the display's baseline a curve that never reaches white.
        std::size_t count = std::min(reads[i].count, capacity);
        while (count > 0 && unfilled(table.r[count - 1]) && unfilled(table.g[count - 1]) &&
               unfilled(table.b[count - 1]))
            --count;
        auto& entry = result[reads[i].display];
        if (reads[i].result != 0 || count < 2) continue;
        table.r.resize(count);
        table.g.resize(count);
        table.b.resize(count);
        entry = std::move(table);
    }
    return result;
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

std::vector<DisplayID> GammaController::notShowing(DisplayGamma& gamma,
                                                   const std::map<DisplayID, Channels>& meant) {
    std::vector<DisplayID> displays;
    for (const auto& [display, table] : meant) displays.push_back(display);
    std::vector<DisplayID> result;
    for (auto& [display, shown] : readAll(gamma, displays)) {
        const Channels& wanted = meant.at(display);
        if (!shown || wanted.count() < 2) {
            result.push_back(display);
            continue;
        }
        // Compared at the size meant: the server may keep more entries or fewer, in 16 bits.
        const Channels read = GammaTable::resampled(*shown, wanted.count());
        bool same = true;
        for (auto channel : {&Channels::r, &Channels::g, &Channels::b}) {
            const auto& a = read.*channel;
            const auto& b = wanted.*channel;
            for (std::size_t i = 0; same && i < a.size() && i < b.size(); ++i)
                same = std::abs(a[i] - b[i]) <= 0.01f;
            same = same && (read.*channel).size() == (wanted.*channel).size();
        }
        if (!same) result.push_back(display);
    }
    return result;
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

GammaController::Write GammaController::scaledFor(DisplayID display, const RGBGains& gains) {
    Write w{display, gains, {}};
    if (!spareTables_.empty()) {
        w.table = std::move(spareTables_.back());
        spareTables_.pop_back();
    }
    GammaTable::scaleInto(baseline(display), gains, w.table);
    return w;
}

std::string GammaController::nameOf(DisplayID display) const {
    const auto found = names_.find(display);
    if (found != names_.end() && !found->second.empty()) return found->second;
    return "display " + std::to_string(display);
}

bool GammaController::showsOwn(DisplayID display) const {
    return touched_ && !touched_->count(display);
}

void GammaController::write(std::vector<Write>& batch, bool confirmed) {
    if (batch.empty()) return;
    auto loan = requests_.lend();
    std::vector<DisplayGamma::TableWrite>& writes = *loan;
    for (const auto& w : batch) {
        writes.push_back({w.display, w.table.count(), w.table.r.data(), w.table.g.data(),
                          w.table.b.data()});
    }
    confirmed ? gamma_.writeTables(writes) : gamma_.sendTables(writes);
    // The tables were just written: the next check is due two seconds from now. While a fade
    // writes frames faster than that, each frame puts our tables back and the watchdog does
    // not wake at all (a check then costs a round trip to the display server, and a wake-up).
    if (watchdog_.isActive() && !checking_) {
        watchdog_.cancel();
        startWatchdog();
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const DisplayID display = batch[i].display;
        const int result = writes[i].result;
        // Even a failed write may have reached the display.
        if (touched_) touched_->insert(display);
        if (result != 0) {
            auto [it, first] = lastFailure_.emplace(display, result);
            if (first || it->second != result) {
                it->second = result;
                log_.error("Couldn't write the gamma table of %s: %s (%d)",
                           nameOf(display).c_str(), gamma_.errorText(result).c_str(), result);
            }
            failed_[display] = batch[i].gains;
            written_.erase(display);
            continue;
        }
        lastFailure_.erase(display);
        failed_.erase(display);
        applied_[display] = batch[i].gains;
        // The table it replaces is the buffer for a later frame's.
        std::swap(written_[display], batch[i].table);
        if (batch[i].table.count() > 0) spareTables_.push_back(std::move(batch[i].table));
    }
}

namespace {
bool allNeutral(const std::map<DisplayID, RGBGains>& gains) {
    return std::all_of(gains.begin(), gains.end(),
                       [](const auto& entry) { return entry.second.isNeutral(); });
}
}  // namespace

void GammaController::apply(const std::map<DisplayID, RGBGains>& gains) {
    if (allNeutral(gains)) {
        restore();
        return;
    }
    // Tables may still hold a tint from an earlier run that ended without cleaning up;
    // reading that as a baseline would stack tint on tint.
    restoreOnce();
    std::vector<Write> batch;
    for (const auto& [display, displayGains] : gains) batch.push_back(scaledFor(display, displayGains));
    write(batch);
    startWatchdog();
}

void GammaController::applyChanges(const std::map<DisplayID, RGBGains>& gains) {
    if (allNeutral(gains)) {
        if (!touched_ || !touched_->empty()) restore();
        return;
    }
    restoreOnce();
    auto loan = frameBatch_.lend();
    std::vector<Write>& batch = *loan;
    for (const auto& [display, displayGains] : gains) {
        if (displayGains.isNeutral() && showsOwn(display)) continue;
        // The same gains on the same baseline make the table last written: known without
        // scaling a table and comparing it entry by entry.
        if (written_.count(display)) {
            const auto last = applied_.find(display);
            if (last != applied_.end() && last->second == displayGains) continue;
        }
        batch.push_back(scaledFor(display, displayGains));
    }
    // A frame does not wait for the display server to confirm it: that round trip was a
    // second wake-up per frame. A write refused later is repaired by the watchdog.
    write(batch, false);
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
    touched_.emplace();
    applied_.clear();
    baselines_.clear();
    lastDrift_.clear();
    failed_.clear();
    written_.clear();
    stopWatchdog();
    // Every display shows its own table now: neutral gains need no second restore.
    applyChanges(gains);
}

void GammaController::restoreOnce() {
    if (restoredThisRun_) return;
    restoredThisRun_ = true;
    gamma_.restoreAll();
    touched_.emplace();
}

void GammaController::restore() {
    gamma_.restoreAll();
    restoredThisRun_ = true;
    touched_.emplace();
    applied_.clear();
    lastDrift_.clear();
    failed_.clear();
    written_.clear();
    stopWatchdog();
}

void GammaController::startWatchdog() {
    if (watchdog_.isActive()) return;
    if (hearsForeignWrites() && failed_.empty()) return;  // told of writes: no rhythm needed
    startRhythm();
}

void GammaController::startRhythm() {
    // Where writes are heard, the rhythm is rare (a retry, or the look that confirms a
    // repair): it reads the tables as they are now.
    watchdog_ = scheduler_.repeating(std::chrono::seconds(2), alive_.guard([this] {
        checkTables(hearsForeignWrites() ? Reading::now : Reading::askedBefore);
    }));
}

void GammaController::stopWatchdog() {
    watchdog_.cancel();
    lookSoon_.cancel();
}

bool GammaController::hearsForeignWrites() {
    if (!hears_) {
        auto heard = gamma_.hearForeignWrites(alive_.guard([this] { foreignWrite(); }));
        hears_ = heard.ok();
        if (heard.ok()) foreignWrites_ = std::move(heard).value();
    }
    return *hears_;
}

void GammaController::foreignWrite() {
    // Nothing of ours to defend, or a look already due. The short wait lets a program that
    // writes a table per output (or a quick burst) finish before one look takes in all; and
    // looks stay two seconds apart, so a program that fades its own ramps against ours is
    // answered no more often than a watchdog on a rhythm would answer it.
    if (applied_.empty() || lookSoon_.isActive()) return;
    const auto now = scheduler_.monotonicNow();
    Duration wait = std::chrono::milliseconds(250);
    if (lastLook_) wait = std::max(wait, *lastLook_ + std::chrono::seconds(2) - now);
    lookSoon_ = scheduler_.oneShot(wait, alive_.guard([this] {
        lastLook_ = scheduler_.monotonicNow();
        checkTables(Reading::now);
    }));
}

void GammaController::checkTables(Reading reading) {
    // One batch of reads for every display that should hold a table of ours (a display whose
    // write failed is retried below with the gains it should show, not read).
    std::vector<DisplayID> displays;
    for (const auto& [display, gains] : applied_)
        if (!failed_.count(display)) displays.push_back(display);
    const auto tables = displays.empty() ? std::map<DisplayID, std::optional<Channels>>{}
                                         : readAll(gamma_, displays, endsOnly, reading);
    std::vector<Write> repairs;
    for (const auto& [display, now] : tables) {
        if (!now) continue;
        auto base = baselines_.find(display);
        if (base == baselines_.end()) continue;
        const RGBGains gains = applied_.at(display);
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
        log_.notice("Gamma drifted on %s by %f; re-applying", nameOf(display).c_str(), drift);
        applied_.erase(display);
        // Straight to this one display's table: neutral gains here (a display without boost
        // beside a boosted one) must not take the all-neutral path that restores everything.
        repairs.push_back(scaledFor(display, gains));
    }
    // A write that failed on the last frame of a fade has no next frame to retry it; without
    // this the display would stay as it was until the target changes, which may be hours.
    // A display that keeps failing costs one call per tick, and is logged once per cause.
    for (const auto& [display, gains] : failed_) repairs.push_back(scaledFor(display, gains));
    // Repairs keep the watchdog's rhythm.
    const bool repaired = !repairs.empty();
    checking_ = true;
    write(repairs);
    checking_ = false;
    // Where writes are heard, the rhythm lasts while some write of ours fails, and for one
    // look after a repair: that look sees whether the repair held, and a repair that held
    // must not make the next write of the same tint look like one that did not.
    if (hearsForeignWrites() && failed_.empty() && !repaired) {
        watchdog_.cancel();
    } else if (!watchdog_.isActive() && (!applied_.empty() || !failed_.empty())) {
        startRhythm();
    }
}

}  // namespace vesperine
