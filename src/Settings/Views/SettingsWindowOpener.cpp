#include "Settings/Views/SettingsWindowOpener.h"

namespace vesperine {

SettingsWindow* SettingsWindowOpener::open() {
    if (!window_) {
        window_ = new SettingsWindow(services_);
        QObject::connect(window_, &QObject::destroyed, [this] {
            if (onClosed) onClosed();
        });
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

}  // namespace vesperine
