#pragma once

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include "App/Views/MenuServices.h"

namespace vesperine {

// The rule for the last application that was in front (not this program): its rule as
// "Pause boost in Firefox" with "Remove", or "Pause in Firefox" offering both behaviours.
// Hidden until an application has been in front.
class AppRuleControl final : public QWidget {
    Q_OBJECT
public:
    AppRuleControl(MenuServices& services, QWidget* parent = nullptr);

private:
    void refresh();
    void pause(AppRule::Behavior behavior);

    MenuServices& services_;
    QWidget* ruled_;
    QLabel* ruleLabel_;
    QToolButton* pauseIn_;
};

}  // namespace vesperine
