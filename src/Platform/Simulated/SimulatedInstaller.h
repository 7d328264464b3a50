#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Installer.h"

namespace vesperine {

// An installer over a map of file names; tests set where the program runs and which steps
// fail, and read what was installed.
class SimulatedInstaller final : public Installer {
public:
    std::string runningPath() const override { return runningPath_; }
    Places places() const override { return places_; }
    bool isSameFile(const std::string& a, const std::string& b) const override;
    Occupant occupant(const std::string& path) const override;
    Status endOtherInstances() override;
    Status install(const std::string& source, const std::string& destination) override;

    // Control side.
    void setRunningPath(std::string path) { runningPath_ = std::move(path); }
    void setPlaces(Places places) { places_ = std::move(places); }
    // Makes `a` and `b` the same file (a link between their folders).
    void link(std::string a, std::string b) { links_[std::move(a)] = std::move(b); }
    // What lies at `path` (nothing unless set).
    void place(std::string path, Occupant occupant) { occupants_[std::move(path)] = occupant; }
    void failInstall(std::string description) { installFailure_ = std::move(description); }
    void failEnding(std::string description) { endingFailure_ = std::move(description); }
    // "source -> destination" for each install, and "end others" for each call, in order.
    const std::vector<std::string>& steps() const { return steps_; }

private:
    std::string runningPath_;
    Places places_{"/home/alex", {}, {}, "/home/alex/.local/bin"};
    std::map<std::string, std::string> links_;
    std::map<std::string, Occupant> occupants_;
    std::optional<std::string> installFailure_;
    std::optional<std::string> endingFailure_;
    std::vector<std::string> steps_;
};

}  // namespace vesperine
