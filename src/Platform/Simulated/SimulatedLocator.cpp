#include "Platform/Simulated/SimulatedLocator.h"

namespace vesperine {

Handle SimulatedLocator::locate(Answer answer) {
    ++asks_;
    const std::uint64_t id = ++nextId_;
    // The answer as it stands now: a script changed later is for the next ask.
    pending_[id] = scheduler_.oneShot(delay_, [this, id, result = result_, answer] {
        // Forgetting the timer may destroy this very callback: work on copies from here.
        const auto give = answer;
        const auto fix = result;
        pending_.erase(id);
        give(fix);
    });
    return Handle::make([this, id] { pending_.erase(id); });
}

}  // namespace vesperine
