#pragma once

#include <string>

#include "Platform/Alert.h"

namespace vesperine {

// Alerts as Qt message boxes, modal to the whole program and raised above other windows.
// Needs a QApplication (a screen): the program makes one only when it has one.
class QtAlerts final : public Alerts {
public:
    // `windowTitle`: the program's display name.
    explicit QtAlerts(std::string windowTitle) : windowTitle_(std::move(windowTitle)) {}

    std::optional<std::size_t> run(const Alert& alert) override;

private:
    std::string windowTitle_;
};

}  // namespace vesperine
