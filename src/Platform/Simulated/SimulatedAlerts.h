#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Alert.h"

namespace vesperine {

// Alerts answered from a script. Each alert takes the next answer: a button title (or "OK"
// for an alert without buttons); an answer that names no button of the alert, or none left,
// closes it without a choice. Every alert asked is kept.
class SimulatedAlerts final : public Alerts {
public:
    SimulatedAlerts() = default;
    explicit SimulatedAlerts(std::vector<std::string> answers)
        : answers_(answers.begin(), answers.end()) {}

    // Answers separated by "|", as in "Install|OK". Empty parts are kept: they close an alert
    // without a choice.
    static std::vector<std::string> parseScript(std::string_view script);

    std::optional<std::size_t> run(const Alert& alert) override;

    // Control side.
    void answer(std::string button) { answers_.push_back(std::move(button)); }
    const std::vector<Alert>& asked() const { return asked_; }

private:
    std::deque<std::string> answers_;
    std::vector<Alert> asked_;
};

}  // namespace vesperine
