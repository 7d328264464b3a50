#pragma once

#include <string>
#include <vector>

#include "Platform/Relaunch.h"

namespace vesperine {

// Records the programs asked to start in this one's place ("" for a restart of the running
// one); starts nothing.
class SimulatedRelaunch final : public Relaunch {
public:
    void now() override { requests_.push_back(""); }
    void into(const std::string& executable) override { requests_.push_back(executable); }

    // Control side.
    const std::vector<std::string>& requests() const { return requests_; }

private:
    std::vector<std::string> requests_;
};

}  // namespace vesperine
