#pragma once

#include "Platform/Scheduler.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// A night light for tests: its status is set by the test, and it either obeys `setEnabled`
// (its status follows on a later turn of the loop, as a desktop service's would) or
// refuses it.
class SimulatedColourFeature final : public SystemColourFeature {
  public:
    explicit SimulatedColourFeature(Scheduler& scheduler,
                                    SystemFeatureStatus status = SystemFeatureStatus::off)
        : scheduler_(scheduler), status_(status) {}

    SystemFeatureStatus status() const override { return status_; }
    void setEnabled(bool enabled, std::function<void(bool)> done) override;
    Handle observe(std::function<void()> onChange) override { return observers_.add(std::move(onChange)); }

    // Control side.
    void setStatus(SystemFeatureStatus status);
    void setRefuses(bool refuses) { refuses_ = refuses; }
    int requests() const { return requests_; }

  private:
    Scheduler& scheduler_;
    SystemFeatureStatus status_;
    bool refuses_ = false;
    int requests_ = 0;
    CallbackList<> observers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
