#pragma once

#include <chrono>
#include <map>

#include "Platform/Locator.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// A location service that answers what the test scripted, `delay` after each ask on the
// scheduler (virtual time in tests); by default it does not know where it is.
class SimulatedLocator final : public Locator {
public:
    explicit SimulatedLocator(Scheduler& scheduler) : scheduler_(scheduler) {}

    Handle locate(Answer answer) override;

    // Control side.
    void answerWith(Result<Fix> result, Duration delay = std::chrono::seconds(1)) {
        result_ = std::move(result);
        delay_ = delay;
    }
    int asks() const { return asks_; }
    // Asks whose answer is still to come.
    std::size_t waiting() const { return pending_.size(); }

private:
    Scheduler& scheduler_;
    Result<Fix> result_ = Error{"no location service in this simulation"};
    Duration delay_ = std::chrono::seconds(1);
    int asks_ = 0;
    std::uint64_t nextId_ = 0;
    std::map<std::uint64_t, Timer> pending_;
};

}  // namespace vesperine
