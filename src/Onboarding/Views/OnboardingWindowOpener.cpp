#include "Onboarding/Views/OnboardingWindowOpener.h"

namespace vesperine {

OnboardingWindowOpener::OnboardingWindowOpener(DefaultsStore& defaults, Scheduler& scheduler,
                                               AppInfo info)
    : defaults_(defaults), scheduler_(scheduler), info_(std::move(info)) {}

OnboardingWindowOpener::~OnboardingWindowOpener() {
    QObject::disconnect(closed_);
    delete window_.data();
}

void OnboardingWindowOpener::show(AppState& state, ConflictDetector& conflicts,
                                  std::function<void()> onClose) {
    if (!window_) {
        window_ = new OnboardingWindow(
            {state, conflicts, scheduler_, QString::fromStdString(info_.displayName)}, [this] {
                defaults_.set(completeKey, true);
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
