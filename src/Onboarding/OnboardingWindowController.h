#pragma once

#include <functional>

namespace vesperine {

class AppState;
class ConflictDetector;

// Shows onboarding: the walk through the program at its first start, and again when asked
// ("Run Setup Again…" in the settings, "--onboarding"). The program's controller makes the
// window when shown and destroys it when it closes, one at a time; the delegate holds the
// controller for the whole run. Main loop only.
class OnboardingWindowController {
public:
    // Bool: true once the user has gone through to the end. Start-up shows onboarding until then.
    static constexpr const char* completeKey = "onboardingComplete";

    virtual ~OnboardingWindowController() = default;

    // Shows the window over `state` and `conflicts` (borrowed while it is open), or brings the
    // open one to the front, which keeps the `onClose` it was given. `onClose` is called once
    // the window has closed, finished or not; finishing first stores true under completeKey.
    virtual void show(AppState& state, ConflictDetector& conflicts,
                      std::function<void()> onClose) = 0;
};

}  // namespace vesperine
