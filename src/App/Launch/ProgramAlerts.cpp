#include "App/Launch/ProgramAlerts.h"

#include <QApplication>
#include <cstdlib>

#include "Platform/Qt/QtAlerts.h"
#include "Platform/Simulated/SimulatedAlerts.h"

namespace vesperine {

namespace {

// Logs every alert and what became of it.
class LoggedAlerts final : public Alerts {
public:
    LoggedAlerts(std::unique_ptr<Alerts> alerts, Logger& logger)
        : alerts_(std::move(alerts)), log_(logger, "app") {}

    std::optional<std::size_t> run(const Alert& alert) override {
        const auto answer = alerts_->run(alert);
        const std::string chosen = !answer                 ? "no answer"
                                   : alert.buttons.empty() ? "OK"
                                                           : alert.buttons.at(*answer);
        log_.notice("Alert \"%s\": %s", alert.message.c_str(), chosen.c_str());
        return answer;
    }

private:
    std::unique_ptr<Alerts> alerts_;
    Log log_;
};

}  // namespace

std::unique_ptr<Alerts> makeProgramAlerts(const AppInfo& info, Logger& logger,
                                          bool showsWindows) {
    if (const char* script = std::getenv(alertAnswersVariable)) {
        return std::make_unique<LoggedAlerts>(
            std::make_unique<SimulatedAlerts>(SimulatedAlerts::parseScript(script)), logger);
    }
    if (showsWindows && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        return std::make_unique<LoggedAlerts>(std::make_unique<QtAlerts>(info.displayName), logger);
    }
    return std::make_unique<LoggedAlerts>(std::make_unique<SimulatedAlerts>(), logger);
}

}  // namespace vesperine
