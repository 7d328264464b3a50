#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "Support/Handle.h"
#include "Support/Result.h"

namespace vesperine {

using DisplayID = std::uint32_t;

struct DisplayFrame {
    double x = 0, y = 0, width = 0, height = 0;  // global screen coordinates
    bool operator==(const DisplayFrame&) const = default;
};

// One attached screen as the platform reports it.
struct PlatformScreen {
    DisplayID id = 0;
    std::string name;
    DisplayFrame frame;
    double scale = 1.0;                    // backing scale factor
    bool isBuiltin = false;
    double maximumPotentialHeadroom = 1.0;  // > 1: the display can show extended range at all
    double currentHeadroom = 1.0;           // extended-range headroom right now (1.0 = none)
};

// The screens attached now, in the platform's order.
class DisplayList {
public:
    virtual ~DisplayList() = default;
    virtual std::vector<PlatformScreen> screens() const = 0;
};

// How far the desktop lets this program change the displays' colour. `tables`: any table,
// the normal case. `nightLight`: the desktop keeps the displays' colour to itself and lends
// only its own night light, a warm tint (no boost, no red). `none`: nothing at all.
enum class ColourControl { tables, nightLight, none };

// Per-display transfer tables. Tables are three float arrays; 0 is black and 1 the display's
// normal white, entries above 1 carry boost where the platform can show it.
class DisplayGamma {
public:
    virtual ~DisplayGamma() = default;
    // Fills up to `capacity` entries per channel (a longer table is resampled to `capacity`,
    // never cut short) and sets `count` to the number the platform says it filled (a caller
    // must not trust it beyond `capacity`). 0 on success, else a platform error code.
    virtual int readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                          std::size_t& count) = 0;
    // Installs a table of `size` entries per channel. 0 on success, else an error code.
    virtual int writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                           const float* b) = 0;
    // Gives every display its own colour settings back.
    virtual void restoreAll() = 0;

    // Codes every platform uses in the same sense.
    static constexpr int noSuchDisplay = 1001;
    static constexpr int unusableGammaSize = 1004;
    // readTablesAskedBefore: no answer for this display yet (see there).
    static constexpr int notAskedYet = 1003;
    // What an error code of readTable or writeTable means, in words for the log ("another
    // program holds its gamma"). A platform with codes of its own words them.
    virtual std::string errorText(int code) const {
        switch (code) {
            case noSuchDisplay: return "no such display is attached";
            case unusableGammaSize: return "its gamma table has a size that cannot be used";
            default: return "an unexplained platform error";
        }
    }

    // What this platform lets the program do (see ColourControl). With `nightLight`, a table
    // written is shown as the colour temperature its white point comes closest to.
    virtual ColourControl colourControl() const { return ColourControl::tables; }
    // True while a tint of this program's is on screen through the desktop's night light:
    // then that night light being on is our doing, not somebody else's.
    virtual bool showsThroughNightLight() const { return false; }

    // Several reads or writes at once, answered as the calls above would answer them one by
    // one (`result` and `count` as they set them). A platform that talks to a server sends
    // the whole batch before it waits, so a batch costs one round trip, not one per display.
    struct TableRead {
        DisplayID display = 0;
        std::size_t capacity = 0;
        float *r = nullptr, *g = nullptr, *b = nullptr;
        std::size_t count = 0;
        int result = 0;
    };
    struct TableWrite {
        DisplayID display = 0;
        std::size_t size = 0;
        const float *r = nullptr, *g = nullptr, *b = nullptr;
        int result = 0;
    };
    virtual void readTables(std::span<TableRead> reads) {
        for (auto& read : reads)
            read.result = readTable(read.display, read.capacity, read.r, read.g, read.b, read.count);
    }
    virtual void writeTables(std::span<TableWrite> writes) {
        for (auto& write : writes)
            write.result = writeTable(write.display, write.size, write.r, write.g, write.b);
    }
    // Writes that need not be confirmed before the call returns: a fade frame, which the next
    // frame and the watchdog follow anyway. A platform that talks to a server sends them
    // without waiting for its answer: `result` reports what is known at once, and a write the
    // server refuses afterwards leaves a table that is not ours, which the watchdog finds and
    // writes again (confirmed). Otherwise the same as writeTables.
    virtual void sendTables(std::span<TableWrite> writes) { writeTables(writes); }
    // The watchdog's reads, which may come one call late: a platform that talks to a server
    // answers with the tables as they were when the previous call asked for them, and asks
    // again for the next call, so that a check neither waits for the server nor is woken by
    // its answer. `result` is notAskedYet where there is no such answer: at the first call,
    // or when a write, a restore or a layout change since then made it stale. Otherwise the
    // same as readTables.
    virtual void readTablesAskedBefore(std::span<TableRead> reads) { readTables(reads); }
    // Where the platform hears other programs write tables, it calls `written` on the main
    // loop each time one does, and the watchdog looks then instead of every two seconds.
    // Fails where it cannot hear them.
    virtual Result<Handle> hearForeignWrites(std::function<void()> written) {
        (void)written;
        return Error{"this platform does not tell when others write tables"};
    }
};

// Display reconfiguration callbacks, called on the main loop once per display and phase.
class DisplayEvents {
public:
    static constexpr std::uint32_t beginConfigurationFlag = 1;
    virtual ~DisplayEvents() = default;
    using Callback = std::function<void(DisplayID display, std::uint32_t flags)>;
    // Fails when the platform refuses the registration.
    virtual Result<Handle> registerReconfiguration(Callback callback) = 0;
};

}  // namespace vesperine
