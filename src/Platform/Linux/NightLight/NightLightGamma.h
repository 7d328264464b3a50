#pragma once

#include <map>
#include <optional>
#include <vector>

#include "Platform/DisplayServices.h"
#include "Platform/LogOnce.h"
#include "Platform/NightLightTint.h"

namespace vesperine {

// The displays' tables where the desktop keeps their colour to itself (GNOME and KDE Plasma on
// Wayland let no other program set gamma ramps): what is written goes to the desktop's night
// light, lent as a `NightLightTint`, as the colour temperature the table's white point comes
// closest to. The night light is one for all displays, so every display shows the latest
// tint written; a neutral table, or `restoreAll`, gives the night light back to the user.
// Temperatures are rounded to `kelvinStep`, so a fade moves the night light in visible steps
// rather than once per frame.
//
// Reads answer with the last table written to that display, else the identity (a display's
// own table here is the desktop's business), so the watchdog sees nothing to repair. Without
// a tint (none given, or unavailable) every write fails and `colourControl` says `none`. The
// construction logs one line saying which. Main loop only; the tint is borrowed.
class NightLightGamma final : public DisplayGamma {
  public:
    static constexpr double kelvinStep = 50.0;
    static constexpr std::size_t ownSize = 256;  // entries of the identity read back

    NightLightGamma(NightLightTint* tint, Logger& logger);

    int readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                  std::size_t& count) override;
    int writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                   const float* b) override;
    void restoreAll() override;
    std::string errorText(int code) const override;
    ColourControl colourControl() const override;
    bool showsThroughNightLight() const override { return tint_ && tint_->showing(); }

  private:
    struct Table {
        std::vector<float> r, g, b;
    };

    NightLightTint* tint_;
    LogOnce log_;
    std::map<DisplayID, Table> written_;
};

}  // namespace vesperine
