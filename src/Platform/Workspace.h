#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Platform/RunningApplication.h"
#include "Support/Handle.h"
#include "Support/Observable.h"

namespace vesperine {

// The applications on the desktop: which one is in front, which are running, and which
// quit. Everything is delivered on the main loop; only `followFullScreen` may change
// `frontmost` (and tell its observers) before it returns.
class Workspace {
public:
    // What is in front: the application of the window that has the focus, and whether that
    // window covers its screen. No application when no window has the focus (or the one
    // that has it could not be read).
    struct Frontmost {
        std::optional<RunningApplication> application;
        bool fullScreen = false;  // always false while full screen is not followed
        bool operator==(const Frontmost&) const = default;
    };

    virtual ~Workspace() = default;

    // Whether the desktop tells other programs which application is in front at all. Where
    // it does not (some Wayland desktops), `frontmost` never names one and app rules never
    // apply; the settings say so.
    virtual bool reportsFrontmost() const { return true; }

    // Changes whenever another application comes to the front or the front window enters
    // or leaves full screen; observers hear each change once.
    virtual const Observable<Frontmost>& frontmost() const = 0;

    // Whether to follow the full-screen state of the front window. Following it costs a
    // wake-up for every property change of that window, so it is off until asked for.
    virtual void followFullScreen(bool follow) = 0;

    // The applications that have windows a person would call an application's now (not docks,
    // panels, the desktop or windows kept off the taskbar), each once, in the order their
    // windows came.
    virtual std::vector<RunningApplication> runningApplications() = 0;

    // Called when an application quits: the last of its windows has gone. The application
    // is the one `frontmost` and `runningApplications` reported.
    [[nodiscard]] virtual Handle observeTerminations(
        std::function<void(const RunningApplication&)> callback) = 0;
};

}  // namespace vesperine
