#include "Platform/Simulated/SimulatedDisplays.h"

#include <algorithm>
#include <cmath>

namespace vesperine {

namespace {

// Resampling as a driver would, when its table size differs from what it is given.
std::vector<float> resize(const float* values, std::size_t from, std::size_t to) {
    if (from == to) return std::vector<float>(values, values + to);
    std::vector<float> out(to);
    // One division per table, not per entry: long runs write large tables on every frame.
    const double step = to > 1 && from > 1 ? static_cast<double>(from - 1) / (to - 1) : 0.0;
    for (std::size_t i = 0; i < to; ++i) {
        // The last entry lands exactly on the last value: it is what drift checks compare.
        const double x =
            i + 1 == to && step > 0 ? static_cast<double>(from - 1) : static_cast<double>(i) * step;
        const std::size_t lo = std::min(static_cast<std::size_t>(x), from - 1);
        const std::size_t hi = std::min(lo + 1, from - 1);
        const double f = x - static_cast<double>(lo);
        out[i] = static_cast<float>((1 - f) * values[lo] + f * values[hi]);
    }
    return out;
}

}  // namespace

SimulatedDisplays::Table SimulatedDisplays::identity(std::size_t size) {
    std::vector<float> ramp(size, 0.0f);
    for (std::size_t i = 0; size > 1 && i < size; ++i)
        ramp[i] = static_cast<float>(double(i) / double(size - 1));
    return {ramp, ramp, ramp};
}

void SimulatedDisplays::add(PlatformScreen screen, std::size_t gammaSize) {
    const DisplayID id = screen.id;
    // Absurd sizes are kept as the size a driver reports, but no memory is spent on them.
    const std::size_t stored = gammaSize > 65536 ? 0 : gammaSize;
    Table own = identity(stored);
    displays_[id] = Entry{std::move(screen), gammaSize, own, own, {}, 0};
    if (std::find(order_.begin(), order_.end(), id) == order_.end()) order_.push_back(id);
    fireReconfiguration(id);
}

void SimulatedDisplays::vanish(DisplayID id) {
    displays_.erase(id);
    std::erase(order_, id);
}

void SimulatedDisplays::remove(DisplayID id) {
    vanish(id);
    fireReconfiguration(id);
}

void SimulatedDisplays::setHeadroom(DisplayID id, double current) {
    displays_.at(id).screen.currentHeadroom = current;
}

void SimulatedDisplays::setOwnTable(DisplayID id, Table table) {
    auto& entry = displays_.at(id);
    entry.own = table;
    entry.table = std::move(table);
}

int SimulatedDisplays::writesTo(DisplayID id) const {
    auto it = displays_.find(id);
    return it == displays_.end() ? 0 : it->second.writes;
}

std::vector<PlatformScreen> SimulatedDisplays::screens() const {
    std::vector<PlatformScreen> result;
    for (auto id : order_) result.push_back(displays_.at(id).screen);
    return result;
}

int SimulatedDisplays::readTable(DisplayID display, std::size_t capacity, float* r, float* g,
                                 float* b, std::size_t& count) {
    count = 0;
    auto it = displays_.find(display);
    if (it == displays_.end()) return 1001;  // no such display
    const Entry& entry = it->second;
    if (entry.failures.readError) return entry.failures.readError;
    const std::size_t size = entry.table.r.size();
    const std::size_t n = std::min(capacity, size);
    // A table longer than the buffer comes back resampled, whole, as the real backend gives it.
    std::vector<float> channels[] = {entry.table.r, entry.table.g, entry.table.b};
    if (n < size && n > 0) {
        for (auto& channel : channels) channel = resize(channel.data(), size, n);
    }
    std::copy_n(channels[0].begin(), n, r);
    std::copy_n(channels[1].begin(), n, g);
    std::copy_n(channels[2].begin(), n, b);
    count = entry.failures.reportedCount.value_or(n);
    return 0;
}

int SimulatedDisplays::writeTable(DisplayID display, std::size_t size, const float* r,
                                  const float* g, const float* b) {
    auto it = displays_.find(display);
    if (it == displays_.end()) return 1001;
    Entry& entry = it->second;
    if (entry.failures.writeError) return entry.failures.writeError;
    if (entry.gammaSize < 2 || entry.gammaSize > 65536 || size < 2)
        return 1004;  // unusable table size
    ++writes_;
    ++entry.writes;
    entry.table = {resize(r, size, entry.gammaSize), resize(g, size, entry.gammaSize),
                   resize(b, size, entry.gammaSize)};
    if (const int bits = entry.failures.keptBits) {
        const double levels = double((1 << bits) - 1);
        for (auto* channel : {&entry.table.r, &entry.table.g, &entry.table.b}) {
            for (auto& v : *channel)
                v = static_cast<float>(std::round(std::clamp(double(v), 0.0, 1.0) * levels) /
                                       levels);
        }
    }
    return 0;
}

void SimulatedDisplays::readTables(std::span<TableRead> reads) {
    ++readBatches_;
    DisplayGamma::readTables(reads);
}

void SimulatedDisplays::writeTables(std::span<TableWrite> writes) {
    ++writeBatches_;
    DisplayGamma::writeTables(writes);
}

void SimulatedDisplays::restoreAll() {
    ++restores_;
    for (auto& [id, entry] : displays_) entry.table = entry.own;
}

Result<Handle> SimulatedDisplays::registerReconfiguration(Callback callback) {
    const auto id = nextCallback_++;
    callbacks_[id] = std::move(callback);
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, id] {
        if (alive.lock()) callbacks_.erase(id);
    });
}

void SimulatedDisplays::fireReconfiguration(DisplayID id) {
    auto snapshot = callbacks_;
    for (auto& [key, callback] : snapshot) callback(id, beginConfigurationFlag);
    for (auto& [key, callback] : snapshot) callback(id, 0);
}

}  // namespace vesperine
