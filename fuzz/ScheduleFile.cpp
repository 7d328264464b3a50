// The schedule file as the store reads it at start-up: whatever the bytes, loading must not
// crash, and what loaded must be what the store writes back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Persistence/ScheduleStore.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/VirtualTime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vesperine;
    const std::string path = "/data/schedules.json";
    MemoryFileSystem files;
    files.put(path, std::string(reinterpret_cast<const char*>(data), size));
    CapturingLogger logger;
    FixedTimeZone zone("Pacific/Chatham");  // no city: construction saves nothing
    VirtualTime time;
    ScheduleStore store(files, logger, path, zone, time);
    (void)store.active();
    if (logger.lines().empty()) {
        // It loaded: a save must keep exactly what was read.
        auto before = store.custom().get();
        auto active = store.activeID().get();
        if (!store.setActiveID(active).ok()) return 0;  // refusing is allowed
        ScheduleStore again(files, logger, path, zone, time);
        if (!(again.custom().get() == before) || !(again.activeID().get() == active) ||
            !(again.location().get() == store.location().get())) {
            std::abort();
        }
    }
    return 0;
}
