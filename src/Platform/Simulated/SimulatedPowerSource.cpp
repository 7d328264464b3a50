#include "Platform/Simulated/SimulatedPowerSource.h"

#include <vector>

namespace vesperine {

Handle SimulatedPowerSource::observe(std::function<void()> onChange) {
    const auto id = next_++;
    observers_.emplace(id, std::move(onChange));
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, id] {
        if (alive.lock()) observers_.erase(id);
    });
}

void SimulatedPowerSource::set(PowerInputs inputs) {
    inputs_ = inputs;
    notify();
}

void SimulatedPowerSource::notify() {
    std::vector<std::function<void()>> callbacks;
    for (const auto& [id, callback] : observers_) callbacks.push_back(callback);
    for (auto& callback : callbacks) callback();
}

}  // namespace vesperine
