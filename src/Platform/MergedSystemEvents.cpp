#include "Platform/MergedSystemEvents.h"

namespace vesperine {

bool MergedSystemEvents::canObserve(SystemEvent event) const {
    for (auto* source : sources_) {
        if (source && source->canObserve(event)) return true;
    }
    return false;
}

Handle MergedSystemEvents::observe(SystemEvent event, std::function<void()> callback) {
    for (auto* source : sources_) {
        if (source && source->canObserve(event)) return source->observe(event, std::move(callback));
    }
    return {};
}

}  // namespace vesperine
