#pragma once

namespace vesperine {

// The desktop's own night light, lent to this program where the desktop keeps the displays'
// colour to itself: showing a colour temperature through it, and giving it back to the user
// as they had set it. Main loop only.
class NightLightTint {
  public:
    virtual ~NightLightTint() = default;

    // Whether this desktop's night light can be driven at all.
    virtual bool available() const = 0;
    // Shows `kelvin` (clamped to what the desktop accepts), keeping the user's own night-light
    // settings first so that `release` can give them back, even after a crash.
    virtual void show(double kelvin) = 0;
    // Gives the user's own night-light settings back; nothing when none are held.
    virtual void release() = 0;
    // True from a `show` until the next `release`.
    virtual bool showing() const = 0;
    // Waits until what was shown or released has reached the desktop's settings store: for a
    // command that ends right after. Nothing where writes land at once.
    virtual void flush() {}
};

}  // namespace vesperine
