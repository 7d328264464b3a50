#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Support/Handle.h"

namespace vesperine {

// Any number of callbacks for one kind of event, each removed when its handle is cancelled
// or destroyed (also after the list itself is gone). Callbacks added or removed while the
// list notifies are respected; the list may be destroyed by one of its callbacks.
template <class... Args>
class CallbackList {
public:
    using Callback = std::function<void(Args...)>;

    [[nodiscard]] Handle add(Callback callback) {
        const auto id = next_++;
        entries_.emplace(id, std::move(callback));
        std::weak_ptr<bool> alive = alive_;
        return Handle::make([this, alive, id] {
            if (alive.lock()) entries_.erase(id);
        });
    }

    void notify(const Args&... args) {
        std::vector<std::uint64_t> ids;
        for (const auto& [id, _] : entries_) ids.push_back(id);
        std::weak_ptr<bool> alive = alive_;
        for (auto id : ids) {
            if (!alive.lock()) return;
            auto it = entries_.find(id);
            if (it == entries_.end()) continue;
            auto callback = it->second;
            callback(args...);
        }
    }

    std::size_t size() const { return entries_.size(); }

private:
    std::map<std::uint64_t, Callback> entries_;
    std::uint64_t next_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
