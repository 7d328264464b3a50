#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "Settings/LaunchAtLogin.h"
#include "Settings/Views/SettingsServices.h"

namespace vesperine {

// The General tab: opening at login, other things adjusting the display, tips, updates,
// about, and setup again.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    explicit GeneralTab(SettingsServices& services, QWidget* parent = nullptr);

private:
    QWidget* loginSection();
    QWidget* conflictSection();
    QWidget* tipsSection();
    QWidget* updatesSection();
    QWidget* aboutSection();
    void showLoginItem();
    void showUnavailable();
    void showWillReset(bool willReset);
    void showAbout();

    SettingsServices& services_;
    LaunchAtLogin launchAtLogin_;
    QString appName_;
    QCheckBox* loginSwitch_ = nullptr;
    QLabel* loginError_ = nullptr;
    QVBoxLayout* unavailable_ = nullptr;
    QLabel* willResetText_ = nullptr;
    QPushButton* relaunch_ = nullptr;
};

}  // namespace vesperine
