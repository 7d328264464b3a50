#pragma once

#include <memory>

#include "Platform/DisplayServices.h"

namespace vesperine {

// A tiny always-on-top window whose layer shows extended-range content, keeping a display's
// headroom open while boost is shown. Drawing is a clear to white in a multiplying blend.
class EDRSurface {
public:
    virtual ~EDRSurface() = default;
    virtual void setFrame(const DisplayFrame& frame, double scale) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    // One frame; false when no drawable or command buffer was available (skipped).
    virtual bool draw() = 0;
};

// Makes surfaces; none when the platform has no extended-range drawing (no GPU device, or
// no extended dynamic range at all, as on X11).
class EDRSurfaceFactory {
public:
    virtual ~EDRSurfaceFactory() = default;
    virtual std::unique_ptr<EDRSurface> make(const PlatformScreen& screen) = 0;
};

}  // namespace vesperine
