#pragma once

#include "Platform/EDRSurface.h"

namespace vesperine {

// X11 has no extended dynamic range: no display reports headroom, so no surface is ever made.
// The pipeline then keeps no trigger, exactly as on a machine without a GPU device.
class X11EDRSurfaces final : public EDRSurfaceFactory {
public:
    std::unique_ptr<EDRSurface> make(const PlatformScreen&) override { return nullptr; }
};

}  // namespace vesperine
