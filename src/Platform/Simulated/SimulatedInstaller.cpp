#include "Platform/Simulated/SimulatedInstaller.h"

namespace vesperine {

bool SimulatedInstaller::isSameFile(const std::string& a, const std::string& b) const {
    const auto linked = [&](const std::string& x, const std::string& y) {
        const auto found = links_.find(x);
        return found != links_.end() && found->second == y;
    };
    return a == b || linked(a, b) || linked(b, a);
}

Installer::Occupant SimulatedInstaller::occupant(const std::string& path) const {
    const auto found = occupants_.find(path);
    return found != occupants_.end() ? found->second : Occupant::nothing;
}

Status SimulatedInstaller::endOtherInstances() {
    steps_.push_back("end others");
    if (endingFailure_) return Status::failure(*endingFailure_);
    return success();
}

Status SimulatedInstaller::install(const std::string& source, const std::string& destination) {
    steps_.push_back(source + " -> " + destination);
    if (installFailure_) return Status::failure(*installFailure_);
    occupants_[destination] = Occupant::ourCopy;
    return success();
}

}  // namespace vesperine
