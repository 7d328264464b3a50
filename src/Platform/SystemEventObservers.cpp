#include "Platform/SystemEventObservers.h"

#include <vector>

namespace vesperine {

Handle SystemEventObservers::add(SystemEvent event, std::function<void()> callback) {
    const auto id = next_++;
    entries_.emplace(id, Entry{event, std::move(callback)});
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, id] {
        if (alive.lock()) entries_.erase(id);
    });
}

void SystemEventObservers::notify(SystemEvent event) {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, entry] : entries_) {
        if (entry.event == event) ids.push_back(id);
    }
    std::weak_ptr<bool> alive = alive_;
    for (auto id : ids) {
        if (!alive.lock()) return;  // an observer destroyed the backend
        auto it = entries_.find(id);
        if (it == entries_.end()) continue;
        auto callback = it->second.callback;
        callback();
    }
}

std::size_t SystemEventObservers::count(SystemEvent event) const {
    std::size_t n = 0;
    for (const auto& [id, entry] : entries_) n += entry.event == event ? 1 : 0;
    return n;
}

}  // namespace vesperine
