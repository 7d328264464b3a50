#pragma once

#include <memory>

#include "Platform/EDRSurface.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// Keeps one display's extended-range headroom open while boost is shown: a one-point surface
// at the screen's bottom-left corner, redrawn with white five times a second.
class EDRTrigger {
  public:
    static constexpr double redrawInterval = 0.2;  // seconds

    // None when the platform cannot make an extended-range surface for the screen.
    static std::unique_ptr<EDRTrigger> make(const PlatformScreen& screen,
                                            EDRSurfaceFactory& factory, Scheduler& scheduler);

    DisplayID displayID() const { return displayID_; }
    void fit(const PlatformScreen& screen);
    void show();
    void hide();
    bool isShown() const { return redraw_.isActive(); }

    // The surface's frame: one point at the screen frame's minimum corner.
    static DisplayFrame frame(const PlatformScreen& screen);

    EDRTrigger(DisplayID id, std::unique_ptr<EDRSurface> surface, Scheduler& scheduler);

  private:
    DisplayID displayID_;
    std::unique_ptr<EDRSurface> surface_;
    Scheduler& scheduler_;
    Timer redraw_;
    Alive alive_;
};

}  // namespace vesperine
