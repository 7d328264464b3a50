#include "Platform/Simulated/SimulatedColourFeature.h"

namespace vesperine {

void SimulatedColourFeature::setEnabled(bool enabled, std::function<void(bool)> done) {
    ++requests_;
    std::weak_ptr<bool> alive = alive_;
    scheduler_.post([this, alive, enabled, done = std::move(done)] {
        if (!alive.lock()) return;
        if (!refuses_ && status_ != SystemFeatureStatus::unavailable) {
            setStatus(enabled ? SystemFeatureStatus::on : SystemFeatureStatus::off);
        }
        if (done) done(status_ == (enabled ? SystemFeatureStatus::on : SystemFeatureStatus::off));
    });
}

void SimulatedColourFeature::setStatus(SystemFeatureStatus status) {
    if (status == status_) return;
    status_ = status;
    observers_.notify();
}

}  // namespace vesperine
