#pragma once

#include <functional>

#include "Support/Handle.h"
#include "System/SystemFeatureStatus.h"

namespace vesperine {

// A system feature that tints the displays by itself (the desktop's night light). Its state
// lives in another process, so it is read in the background and kept: `status` answers at
// once with what was last heard, and observers are told when that changes. A desktop
// without the feature says `unavailable`; that is normal, not an error. Main loop only.
class SystemColourFeature {
  public:
    virtual ~SystemColourFeature() = default;

    // What was last heard. Until the first answer arrives (at most a call timeout after
    // construction) the feature counts as `off`: neither a conflict nor unavailable.
    virtual SystemFeatureStatus status() const = 0;
    // Asks for the feature to be switched on or off. `done` runs once, on a later turn of the
    // loop, with true when the feature afterwards is in the requested state.
    virtual void setEnabled(bool enabled, std::function<void(bool inRequestedState)> done) = 0;
    // Calls `onChange` on the main loop whenever `status` may have changed.
    [[nodiscard]] virtual Handle observe(std::function<void()> onChange) = 0;
};

}  // namespace vesperine
