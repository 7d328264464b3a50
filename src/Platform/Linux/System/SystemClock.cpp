#include "Platform/Linux/System/SystemClock.h"

#include <time.h>

namespace vesperine {

Instant SystemClock::now() const {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return Instant::fromUnix(static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9);
}

}  // namespace vesperine
