#include "Settings/Views/PowerTab.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"
#include "Support/Views/TextTone.h"

namespace vesperine {

namespace {

QString percent(double level) { return PowerTab::tr("%1%").arg(std::lround(level * 100)); }

// The guard's reasons are its own English words; the known ones are translated here.
[[maybe_unused]] constexpr const char* knownReasons[] = {
    QT_TRANSLATE_NOOP("PowerReason", "battery low"),
    QT_TRANSLATE_NOOP("PowerReason", "Low Power Mode"),
    QT_TRANSLATE_NOOP("PowerReason", "computer is hot"),
    QT_TRANSLATE_NOOP("PowerReason", "on battery"),
    QT_TRANSLATE_NOOP("PowerReason", "computer is warm"),
};

QString reasonText(const std::string& reason) {
    return QCoreApplication::translate("PowerReason", reason.c_str());
}

QString temperature(ThermalState state) {
    switch (state) {
        case ThermalState::nominal: return PowerTab::tr("Normal");
        case ThermalState::fair: return PowerTab::tr("Warm");
        case ThermalState::serious: return PowerTab::tr("Hot");
        case ThermalState::critical: return PowerTab::tr("Very hot");
    }
    return PowerTab::tr("Unknown");
}

QString boost(const ModeResolver::BoostLimit& limit) {
    using Kind = ModeResolver::BoostLimit::Kind;
    switch (limit.kind()) {
        case Kind::cap:
            return PowerTab::tr("Up to %1 (%2)").arg(percent(limit.capValue()),
                                                    reasonText(limit.reason()));
        case Kind::disabled: return PowerTab::tr("Off (%1)").arg(reasonText(limit.reason()));
        case Kind::none: break;
    }
    return PowerTab::tr("Not limited");
}

}  // namespace

PowerTab::PowerTab(SettingsServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    auto* layout = new QVBoxLayout(this);
    capOnBattery_ = new QCheckBox(tr("Limit boost on battery"), this);
    capOnBattery_->setObjectName("capOnBattery");

    auto* capRow = new QHBoxLayout;
    auto* capLabel = new QLabel(tr("Highest boost on battery"), this);
    batteryCap_ = new QSlider(Qt::Horizontal, this);
    batteryCap_->setObjectName("batteryCap");
    batteryCap_->setRange(110, 400);  // percent of normal white
    batteryCap_->setSingleStep(10);
    batteryCap_->setPageStep(50);
    batteryCap_->setFixedWidth(fontMetrics().horizontalAdvance('M') * 14);
    batteryCap_->setAccessibleName(tr("Highest boost on battery"));
    capLabel->setBuddy(batteryCap_);
    batteryCapValue_ = new QLabel(this);
    batteryCapValue_->setObjectName("batteryCapValue");
    batteryCapValue_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    batteryCapValue_->setMinimumWidth(
        QFontMetrics(batteryCapValue_->font()).horizontalAdvance("0000%"));
    capRow->addWidget(capLabel);
    capRow->addWidget(batteryCap_);
    capRow->addWidget(batteryCapValue_);
    capRow->addStretch(1);

    auto* lowRow = new QHBoxLayout;
    auto* lowLabel = new QLabel(tr("Turn boost off below"), this);
    lowBattery_ = new QSpinBox(this);
    lowBattery_->setObjectName("lowBatteryPercent");
    lowBattery_->setRange(5, 50);
    lowBattery_->setSingleStep(5);
    lowBattery_->setSuffix(tr("% battery"));
    lowBattery_->setAccessibleName(tr("Turn boost off below"));
    lowLabel->setBuddy(lowBattery_);
    lowRow->addWidget(lowLabel);
    lowRow->addWidget(lowBattery_);
    lowRow->addStretch(1);

    lowPowerMode_ = new QCheckBox(tr("Turn boost off in Low Power Mode"), this);
    lowPowerMode_->setObjectName("offInLowPowerMode");
    thermal_ = new QCheckBox(tr("Reduce boost when the computer gets hot"), this);
    thermal_->setObjectName("thermalProtection");
    caption_ = new QLabel(this);
    caption_->setObjectName("powerCaption");
    caption_->setWordWrap(true);
    TextTone::secondary(caption_);

    auto* statusBox = new QGroupBox(tr("Now"), this);
    status_ = new QFormLayout(statusBox);

    layout->addWidget(capOnBattery_);
    layout->addLayout(capRow);
    layout->addLayout(lowRow);
    layout->addWidget(lowPowerMode_);
    layout->addWidget(thermal_);
    layout->addWidget(caption_);
    layout->addWidget(statusBox);
    layout->addStretch(1);

    connect(capOnBattery_, &QCheckBox::toggled, this, [this](bool on) {
        change([](GuardSettings& s, int v) { s.capOnBattery = v != 0; }, on);
    });
    connect(batteryCap_, &QSlider::valueChanged, this, [this](int value) {
        change([](GuardSettings& s, int v) { s.batteryCap = v / 100.0; }, value);
    });
    connect(lowBattery_, &QSpinBox::valueChanged, this, [this](int value) {
        change([](GuardSettings& s, int v) { s.lowBatteryPercent = v; }, value);
    });
    connect(lowPowerMode_, &QCheckBox::toggled, this, [this](bool on) {
        change([](GuardSettings& s, int v) { s.offInLowPowerMode = v != 0; }, on);
    });
    connect(thermal_, &QCheckBox::toggled, this, [this](bool on) {
        change([](GuardSettings& s, int v) { s.thermalProtection = v != 0; }, on);
    });
    watch(services_.powerGuard.settings(), this, [this] { showSettings(); });
    watch(services_.powerGuard.inputs(), this, [this] { showStatus(); });
    watch(services_.powerGuard.limit(), this, [this] { showStatus(); });
}

void PowerTab::change(void (*edit)(GuardSettings&, int), int value) {
    GuardSettings settings = services_.powerGuard.settings().get();
    edit(settings, value);
    services_.powerGuard.setSettings(settings);
}

void PowerTab::showSettings() {
    const GuardSettings& settings = services_.powerGuard.settings().get();
    // Values stored outside the controls' ranges are shown as stored (beside and in the
    // caption) and written back only when the user moves the control.
    for (QObject* control : std::initializer_list<QObject*>{capOnBattery_, batteryCap_, lowBattery_,
                                                            lowPowerMode_, thermal_}) {
        control->blockSignals(true);
    }
    capOnBattery_->setChecked(settings.capOnBattery);
    batteryCap_->setValue(static_cast<int>(std::lround(settings.batteryCap * 100)));
    lowBattery_->setValue(settings.lowBatteryPercent);
    lowPowerMode_->setChecked(settings.offInLowPowerMode);
    thermal_->setChecked(settings.thermalProtection);
    for (QObject* control : std::initializer_list<QObject*>{capOnBattery_, batteryCap_, lowBattery_,
                                                            lowPowerMode_, thermal_}) {
        control->blockSignals(false);
    }
    batteryCap_->setEnabled(settings.capOnBattery);
    batteryCapValue_->setText(percent(settings.batteryCap));
    caption_->setText(tr("Boost comes back when the battery is %1% or more, and gradually after "
                         "the computer has cooled for 2 minutes. Warm and Red aren't affected.")
                          .arg(static_cast<long long>(settings.lowBatteryPercent) + 5));
}

void PowerTab::showStatus() {
    while (status_->rowCount() > 0) status_->removeRow(0);
    const PowerInputs& inputs = services_.powerGuard.inputs().get();
    auto row = [this](const QString& label, const QString& value, const char* name) {
        auto* text = new QLabel(value, status_->parentWidget());
        text->setObjectName(name);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        status_->addRow(label, text);
    };
    row(tr("Power"), inputs.onBattery ? tr("Battery") : tr("Power adapter"), "statusPower");
    if (inputs.batteryPercent) {
        row(tr("Battery"), tr("%1%").arg(*inputs.batteryPercent), "statusBattery");
    }
    row(tr("Low Power Mode"), inputs.lowPowerMode ? tr("On") : tr("Off"), "statusLowPowerMode");
    row(tr("Temperature"), temperature(inputs.thermal), "statusTemperature");
    row(tr("Boost"), boost(services_.powerGuard.limit().get()), "statusBoost");
}

}  // namespace vesperine
