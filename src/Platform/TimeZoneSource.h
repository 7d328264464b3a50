#pragma once

#include "Schedule/TimeZone.h"

namespace vesperine {

// The system's current time zone. Implementations may cache it; `reset` drops the cache after
// the system announced a change, so the next `current` reads the new zone.
class TimeZoneSource {
public:
    virtual ~TimeZoneSource() = default;
    virtual TimeZone current() const = 0;
    virtual void reset() {}
};

}  // namespace vesperine
