#pragma once

#include <QPointer>

#include "App/AppInfo.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Onboarding/Views/OnboardingWindow.h"
#include "Platform/DefaultsStore.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// The program's onboarding: an OnboardingWindow made when shown, raised when shown again while
// open, gone when closed. Done stores "onboardingComplete" and closes it (once the window has
// said why, where that could not be saved). The defaults store, the scheduler and the
// locator (none: the location step offers no "Locate Me") are borrowed and must outlive it.
class OnboardingWindowOpener final : public OnboardingWindowController {
public:
    OnboardingWindowOpener(DefaultsStore& defaults, Scheduler& scheduler, AppInfo info,
                           Locator* locator = nullptr);
    // A window still open goes with the opener, without calling its `onClose`.
    ~OnboardingWindowOpener() override;
    OnboardingWindowOpener(const OnboardingWindowOpener&) = delete;
    OnboardingWindowOpener& operator=(const OnboardingWindowOpener&) = delete;

    void show(AppState& state, ConflictDetector& conflicts, std::function<void()> onClose) override;
    OnboardingWindow* window() const { return window_; }

private:
    DefaultsStore& defaults_;
    Scheduler& scheduler_;
    AppInfo info_;
    Locator* locator_;
    QPointer<OnboardingWindow> window_;
    QMetaObject::Connection closed_;
};

}  // namespace vesperine
