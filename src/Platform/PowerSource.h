#pragma once

#include <functional>

#include "Guards/PowerInputs.h"
#include "Support/Handle.h"

namespace vesperine {

// What the machine's power looks like: the power source and battery charge, the system's
// power-saving mode and how hot it runs. Main loop only.
class PowerSource {
public:
    virtual ~PowerSource() = default;

    // The inputs as they stand. Cheap and never blocking: backends answer from what their
    // services last told them (or, lacking a service, from a quick read of local files).
    // Anything that cannot be had keeps PowerInputs' default.
    virtual PowerInputs current() = 0;

    // Calls `onChange` on the main loop, never from inside a call to this source, whenever an
    // input may have changed; it may also be called when nothing did. Held by the handle
    // (the source must outlive it).
    [[nodiscard]] virtual Handle observe(std::function<void()> onChange) = 0;
};

}  // namespace vesperine
