#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "Platform/SystemEvents.h"

namespace vesperine {

// The observers of system events kept by a backend: any number per event, each removed when
// its handle is cancelled or destroyed (also after the backend itself is gone).
class SystemEventObservers {
public:
    [[nodiscard]] Handle add(SystemEvent event, std::function<void()> callback);
    // Calls every observer of `event`; observers added or removed meanwhile are respected.
    void notify(SystemEvent event);
    std::size_t count(SystemEvent event) const;

private:
    struct Entry {
        SystemEvent event;
        std::function<void()> callback;
    };
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t next_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
