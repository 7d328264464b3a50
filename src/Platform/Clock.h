#pragma once

#include "Support/Instant.h"

namespace vesperine {

// The wall clock. It can jump forwards and backwards (the user or NTP sets it); use the
// scheduler's monotonic time to measure spans.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};

}  // namespace vesperine
