#pragma once

#include <functional>
#include <utility>

#include "Platform/SingleInstance.h"

namespace vesperine {

// The single-instance check for tests and the headless run: either this process is the only
// one, or another one is said to run (and is counted as asked to come to the front).
class SimulatedSingleInstance final : public SingleInstance {
public:
    explicit SimulatedSingleInstance(bool anotherRuns = false) : anotherRuns_(anotherRuns) {}

    bool claimOrActivateOther() override {
        if (anotherRuns_) ++activationsSent_;
        return !anotherRuns_;
    }
    void setOnActivateRequest(std::function<void()> onActivate) override {
        onActivate_ = std::move(onActivate);
    }

    // A later launch asking this one to come to the front.
    void requestActivation() {
        if (onActivate_) onActivate_();
    }
    int activationsSent() const { return activationsSent_; }

private:
    bool anotherRuns_;
    int activationsSent_ = 0;
    std::function<void()> onActivate_;
};

}  // namespace vesperine
