#include "Platform/Simulated/SimulatedSystemEvents.h"

#include <vector>

namespace vesperine {

Handle SimulatedSystemEvents::observe(SystemEvent event, std::function<void()> callback) {
    const auto id = next_++;
    observers_.emplace(event, std::make_pair(id, std::move(callback)));
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, id] {
        if (!alive.lock()) return;
        std::erase_if(observers_, [id](const auto& entry) { return entry.second.first == id; });
    });
}

void SimulatedSystemEvents::fire(SystemEvent event) {
    std::vector<std::function<void()>> callbacks;
    auto [first, last] = observers_.equal_range(event);
    for (auto it = first; it != last; ++it) callbacks.push_back(it->second.second);
    for (auto& callback : callbacks) callback();
}

}  // namespace vesperine
