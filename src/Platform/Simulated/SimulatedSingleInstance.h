#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "Platform/SingleInstance.h"

namespace vesperine {

// The single-instance check for tests and the headless run: either this process is the only
// one, or another one is said to run and to answer every later launch with `otherAnswers`.
class SimulatedSingleInstance final : public SingleInstance {
public:
    explicit SimulatedSingleInstance(std::optional<Claim> otherAnswers = std::nullopt)
        : otherAnswers_(std::move(otherAnswers)) {}

    Claim claimOrHandOver(Request request) override {
        if (!otherAnswers_) return {};
        sent_.push_back(request);
        return *otherAnswers_;
    }
    void setOnRequest(std::function<void(Request)> onRequest) override {
        onRequest_ = std::move(onRequest);
    }

    // Another instance now runs (or none), answering as given; forgets what was sent.
    void setOtherAnswers(std::optional<Claim> answers) {
        otherAnswers_ = std::move(answers);
        sent_.clear();
    }
    // A later launch's request reaching this instance.
    void receive(Request request) {
        if (onRequest_) onRequest_(request);
    }
    // The requests this process handed to the other instance.
    const std::vector<Request>& sent() const { return sent_; }

private:
    std::optional<Claim> otherAnswers_;
    std::vector<Request> sent_;
    std::function<void(Request)> onRequest_;
};

}  // namespace vesperine
