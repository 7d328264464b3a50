#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "App/Views/MenuServices.h"

namespace vesperine {

// The rule for the last application that was in front (not this program): its rule as
// "Pause boost in Firefox" with "Remove", or "Pause in Firefox" offering both behaviours.
// Hidden until an application has been in front. A name too long for the panel is cut short
// with an ellipsis; the tooltip and the accessible name keep it whole.
class AppRuleControl final : public QWidget {
    Q_OBJECT
public:
    AppRuleControl(MenuServices& services, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    // Words the rule and the offer for the width they have now.
    void fit();
    void pause(AppRule::Behavior behavior);

    MenuServices& services_;
    QWidget* ruled_;
    QLabel* icon_;
    QLabel* ruleLabel_;
    QPushButton* remove_;
    QPushButton* pauseIn_;
    QString name_;
    QString ruleBehavior_;  // the rule's behaviour label, when there is a rule
};

}  // namespace vesperine
