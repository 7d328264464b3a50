#pragma once

#include "Platform/UpdateController.h"

namespace vesperine {

// An update framework that only counts what it is asked.
class SimulatedUpdateController final : public UpdateController {
public:
    bool automaticallyChecksForUpdates() const override { return automatic_; }
    void setAutomaticallyChecksForUpdates(bool checks) override { automatic_ = checks; }
    void checkForUpdates() override { ++checks_; }

    // Control side.
    int checks() const { return checks_; }

private:
    bool automatic_ = true;
    int checks_ = 0;
};

}  // namespace vesperine
