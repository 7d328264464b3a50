#include "Onboarding/Views/OnboardingWindowOpener.h"

namespace vesperine {

OnboardingWindowOpener::OnboardingWindowOpener(DefaultsStore& defaults, Scheduler& scheduler,
                                               AppInfo info, Locator* locator)
    : defaults_(defaults), scheduler_(scheduler), info_(std::move(info)), locator_(locator) {}

OnboardingWindowOpener::~OnboardingWindowOpener() {
    QObject::disconnect(closed_);
    delete window_.data();
}

void OnboardingWindowOpener::show(AppState& state, ConflictDetector& conflicts,
                                  std::function<void()> onClose) {
    if (!window_) {
        window_ = new OnboardingWindow(
            {state, conflicts, scheduler_, QString::fromStdString(info_.displayName), locator_},
            [this] {
                const bool toldAlready = defaults_.writeFailure().get().has_value();
                defaults_.set(completeKey, true);
                // Done but not saved: the window stays to say so (onboarding would come back
                // at the next start), and Done closes it from then on.
                if (defaults_.writeFailure().get() && !toldAlready) return;
                window_->close();
            });
        closed_ = QObject::connect(window_, &QObject::destroyed, [onClose = std::move(onClose)] {
            if (onClose) onClose();
        });
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace vesperine
