#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "Platform/PowerSource.h"

namespace vesperine {

// Power inputs set by tests. Every change tells the observers, as a platform notification
// would; `notify` sends one without a change.
class SimulatedPowerSource final : public PowerSource {
public:
    PowerInputs current() override {
        ++reads_;
        return inputs_;
    }
    Handle observe(std::function<void()> onChange) override;

    // Control side.
    void set(PowerInputs inputs);
    void notify();
    const PowerInputs& inputs() const { return inputs_; }
    std::size_t observers() const { return observers_.size(); }
    std::size_t reads() const { return reads_; }

private:
    PowerInputs inputs_;
    std::map<std::uint64_t, std::function<void()>> observers_;
    std::uint64_t next_ = 0;
    std::size_t reads_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
