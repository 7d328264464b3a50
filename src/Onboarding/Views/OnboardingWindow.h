#pragma once

#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>
#include <functional>

#include "App/AppState.h"
#include "Platform/Locator.h"
#include "Platform/Scheduler.h"
#include "System/ConflictDetector.h"

namespace vesperine {

class StepDots;

// The onboarding window: its steps one page at a time (OnboardingPages), the step dots, and
// Back, Continue and, on the last step, Done, which calls `onFinish`; above the buttons, why
// the settings could not be saved while that stands. Closing it any other way (its close
// button, Escape, Ctrl+W) ends it unfinished. It deletes itself when closed.
class OnboardingWindow final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppState& state;
        ConflictDetector& conflicts;
        Scheduler& scheduler;  // the main loop, for the location picker's short delay
        QString appName;
        Locator* locator = nullptr;  // "Locate Me" in the location step; none: not offered
    };

    OnboardingWindow(Services services, std::function<void()> onFinish,
                     QWidget* parent = nullptr);

    int step() const { return pages_->currentIndex(); }
    int stepCount() const { return pages_->count(); }
    void goTo(int step);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStackedWidget* pages_;
    StepDots* dots_;
    QPushButton* back_;
    QPushButton* next_;
    std::function<void()> onFinish_;
};

}  // namespace vesperine
