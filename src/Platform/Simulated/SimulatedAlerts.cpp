#include "Platform/Simulated/SimulatedAlerts.h"

#include <algorithm>

namespace vesperine {

std::vector<std::string> SimulatedAlerts::parseScript(std::string_view script) {
    std::vector<std::string> answers;
    if (script.empty()) return answers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = script.find('|', start);
        answers.emplace_back(script.substr(start, bar - start));
        if (bar == std::string_view::npos) return answers;
        start = bar + 1;
    }
}

std::optional<std::size_t> SimulatedAlerts::run(const Alert& alert) {
    asked_.push_back(alert);
    if (answers_.empty()) return std::nullopt;
    const std::string answer = std::move(answers_.front());
    answers_.pop_front();
    const std::vector<std::string> buttons =
        alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    const auto found = std::find(buttons.begin(), buttons.end(), answer);
    if (found == buttons.end()) return std::nullopt;
    return static_cast<std::size_t>(found - buttons.begin());
}

}  // namespace vesperine
