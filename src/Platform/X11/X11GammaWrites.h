#pragma once

#include <functional>
#include <memory>

#include "Platform/IoWatcher.h"
#include "Platform/X11/X11Connection.h"
#include "Support/Result.h"

namespace vesperine {

// Hears other clients of the X server write gamma ramps (RandR's SetCrtcGamma, and the older
// XF86VidMode SetGamma and SetGammaRamp), through the server's RECORD extension: the server
// sends us a copy of each such request as it carries it out, on a connection of our own that
// the loop watches. So a tint that another program replaced is found at once, and while
// nothing else writes, finding that out costs no wake-up at all. Requests of this program's
// own connection are not recorded. Main loop only.
class X11GammaWrites {
public:
    // Fails where the server has no RECORD extension, or refuses the recording.
    static Result<std::unique_ptr<X11GammaWrites>> start(X11Connection& connection, IoWatcher& loop,
                                                         std::function<void()> written);
    ~X11GammaWrites();
    X11GammaWrites(const X11GammaWrites&) = delete;
    X11GammaWrites& operator=(const X11GammaWrites&) = delete;

private:
    X11GammaWrites(X11Connection& connection, Display* data, XRecordContext context,
                   std::function<void()> written);
    static void intercepted(XPointer self, XRecordInterceptData* data);
    static void dataLost(Display* display, void* self);
    void read();

    X11Connection& connection_;
    Display* data_;
    XRecordContext context_;
    std::function<void()> written_;
    IoWatch watch_;
    bool alive_ = true;
    bool enabled_ = false;  // recording: disabled again before the context is freed
};

}  // namespace vesperine
