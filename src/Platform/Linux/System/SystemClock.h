#pragma once

#include "Platform/Clock.h"

namespace vesperine {

// The real wall clock (CLOCK_REALTIME).
class SystemClock final : public Clock {
public:
    Instant now() const override;
};

}  // namespace vesperine
