#pragma once

#include <vector>

#include "Platform/SystemEvents.h"

namespace vesperine {

// Several backends as one: each event is observed through the first source that can observe
// it (the display server knows spaces, the operating system knows clocks and sleep). The
// sources are not owned and must outlive this object and every handle it gave out.
class MergedSystemEvents final : public SystemEvents {
  public:
    explicit MergedSystemEvents(std::vector<SystemEvents*> sources)
        : sources_(std::move(sources)) {}

    bool canObserve(SystemEvent event) const override;
    // An inactive handle when no source can observe `event`.
    Handle observe(SystemEvent event, std::function<void()> callback) override;

  private:
    std::vector<SystemEvents*> sources_;
};

}  // namespace vesperine
