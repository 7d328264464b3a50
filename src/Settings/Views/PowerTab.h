#pragma once

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>

#include "Settings/Views/SettingsServices.h"

namespace vesperine {

// The Power tab: the power guard's settings, each written straight into the guard, and what
// the guard sees and decides now.
class PowerTab final : public QWidget {
    Q_OBJECT
public:
    explicit PowerTab(SettingsServices& services, QWidget* parent = nullptr);

private:
    void showSettings();
    void showStatus();
    void change(void (*edit)(GuardSettings&, int), int value);

    SettingsServices& services_;
    QCheckBox* capOnBattery_;
    QSlider* batteryCap_;
    QLabel* batteryCapValue_;
    QSpinBox* lowBattery_;
    QCheckBox* lowPowerMode_;
    QCheckBox* thermal_;
    QLabel* caption_;
    QFormLayout* status_;
};

}  // namespace vesperine
