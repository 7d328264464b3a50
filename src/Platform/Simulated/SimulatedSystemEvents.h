#pragma once

#include <map>
#include <memory>
#include <set>

#include "Platform/SystemEvents.h"

namespace vesperine {

// System events fired by tests. Every event can be observed unless marked unavailable.
class SimulatedSystemEvents final : public SystemEvents {
public:
    bool canObserve(SystemEvent event) const override { return !unavailable_.count(event); }
    Handle observe(SystemEvent event, std::function<void()> callback) override;

    void fire(SystemEvent event);
    void makeUnavailable(SystemEvent event) { unavailable_.insert(event); }
    std::size_t observers() const { return observers_.size(); }

private:
    std::multimap<SystemEvent, std::pair<std::uint64_t, std::function<void()>>> observers_;
    std::set<SystemEvent> unavailable_;
    std::uint64_t next_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
