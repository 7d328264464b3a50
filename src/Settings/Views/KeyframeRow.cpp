#include "Settings/Views/KeyframeRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "App/MenuRules.h"
#include "Settings/KeyframeEdits.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Settings/Views/StepperBox.h"
#include "Support/Views/Icons.h"

namespace vesperine {

namespace {

using KeyframeEdits::AnchorKind;

int clampedToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

KeyframeRow::KeyframeRow(Callbacks callbacks, QWidget* parent)
    : QFrame(parent), callbacks_(std::move(callbacks)) {
    setObjectName(QStringLiteral("keyframeRow"));
    setFrameShape(QFrame::StyledPanel);
    build();
}

void KeyframeRow::build() {
    anchorPicker_ = new QComboBox(this);
    anchorPicker_->setObjectName(QStringLiteral("anchorPicker"));
    anchorPicker_->addItems({tr("Clock time"), tr("Sunrise"), tr("Sunset")});
    anchorPicker_->setAccessibleName(tr("Step begins at"));
    connect(anchorPicker_, &QComboBox::activated, this, &KeyframeRow::anchorKindPicked);

    timePicker_ = new QTimeEdit(this);
    timePicker_->setObjectName(QStringLiteral("timePicker"));
    timePicker_->setDisplayFormat(ScheduleTexts::timeFormat());
    timePicker_->setAccessibleName(tr("Time of day"));
    connect(timePicker_, &QTimeEdit::timeChanged, this, &KeyframeRow::clockTimePicked);

    offsetStepper_ = new StepperBox([](int minutes) { return ScheduleTexts::offset(minutes); }, this);
    offsetStepper_->setObjectName(QStringLiteral("offsetStepper"));
    offsetStepper_->setSingleStep(KeyframeEdits::offsetRange.step);
    offsetStepper_->setAccessibleName(tr("Minutes from the event"));
    connect(offsetStepper_, &QSpinBox::valueChanged, this, [this](int minutes) {
        Keyframe changed = keyframe_;
        changed.time = TimeAnchor::solar(keyframe_.time.event(), minutes);
        change(changed);
    });

    todayTime_ = new QLabel(this);
    todayTime_->setObjectName(QStringLiteral("todayTime"));
    invalidIcon_ = new QLabel(this);
    invalidIcon_->setPixmap(Icons::named("dialog-warning").pixmap(16, 16));
    invalidTime_ = new QLabel(this);
    invalidTime_->setObjectName(QStringLiteral("invalidTime"));
    invalidTime_->setWordWrap(true);

    previewButton_ = new QPushButton(tr("Preview"), this);
    previewButton_->setObjectName(QStringLiteral("previewButton"));
    previewButton_->setToolTip(tr("Show this step's mode on the displays for a few seconds"));
    connect(previewButton_, &QPushButton::clicked, this, [this] { callbacks_.onPreview(); });

    deleteButton_ = new QToolButton(this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    deleteButton_->setIcon(Icons::named("edit-delete"));
    deleteButton_->setText(tr("Delete"));
    deleteButton_->setAccessibleName(tr("Delete step"));
    deleteButton_->setToolTip(tr("Delete step"));
    deleteButton_->setFocusPolicy(Qt::StrongFocus);
    connect(deleteButton_, &QToolButton::clicked, this, [this] { callbacks_.onDelete(); });

    auto* modeLabel = new QLabel(tr("Mode"), this);
    modePicker_ = new QComboBox(this);
    modePicker_->setObjectName(QStringLiteral("modePicker"));
    for (auto kind : allDisplayModeKinds) modePicker_->addItem(ScheduleTexts::kindLabel(kind));
    modePicker_->setAccessibleName(tr("Mode"));
    modeLabel->setBuddy(modePicker_);
    connect(modePicker_, &QComboBox::activated, this, &KeyframeRow::modeKindPicked);

    strengthSlider_ = new QSlider(Qt::Horizontal, this);
    strengthSlider_->setObjectName(QStringLiteral("strengthSlider"));
    strengthSlider_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    connect(strengthSlider_, &QSlider::valueChanged, this, &KeyframeRow::strengthMoved);
    strengthValue_ = new QLabel(this);
    strengthValue_->setObjectName(QStringLiteral("strengthValue"));
    strengthValue_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000K")));

    fadeStepper_ = new StepperBox([](int minutes) { return tr("Fade %1 min").arg(minutes); }, this);
    fadeStepper_->setObjectName(QStringLiteral("fadeStepper"));
    fadeStepper_->setSingleStep(KeyframeEdits::fadeRange.step);
    fadeStepper_->setAccessibleName(tr("Fade length in minutes"));
    connect(fadeStepper_, &QSpinBox::valueChanged, this, [this](int minutes) {
        Keyframe changed = keyframe_;
        changed.transitionMinutes = minutes;
        change(changed);
    });

    auto* when = new QHBoxLayout;
    when->addWidget(anchorPicker_);
    when->addWidget(timePicker_);
    when->addWidget(offsetStepper_);
    when->addWidget(todayTime_);
    when->addWidget(invalidIcon_);
    when->addWidget(invalidTime_, 1);
    when->addStretch();
    when->addWidget(previewButton_);
    when->addWidget(deleteButton_);

    auto* what = new QHBoxLayout;
    what->addWidget(modeLabel);
    what->addWidget(modePicker_);
    what->addWidget(strengthSlider_, 1);
    what->addWidget(strengthValue_);
    what->addStretch();
    what->addWidget(fadeStepper_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(when);
    layout->addLayout(what);
}

void KeyframeRow::display(const Keyframe& keyframe, const ScheduleToday::StepTime& today,
                          const TimeZone& zone, const Preferences& preferences) {
    keyframe_ = keyframe;
    today_ = today;
    zone_ = zone;
    preferences_ = preferences;
    displayTime(today, zone);
    displayMode();
    const QSignalBlocker blockFade(fadeStepper_);
    const int fade = clampedToInt(keyframe.transitionMinutes);
    fadeStepper_->setRange(std::min(KeyframeEdits::fadeRange.lower, fade),
                           std::max(KeyframeEdits::fadeRange.upper, fade));
    fadeStepper_->setValue(fade);
}

void KeyframeRow::displayTime(const ScheduleToday::StepTime& today, const TimeZone& zone) {
    const auto& anchor = keyframe_.time;
    const auto kind = KeyframeEdits::anchorKind(anchor);
    const bool isClock = kind == AnchorKind::clock;
    const bool formsTime = ScheduleToday::formsTimeOfDay(anchor);
    {
        const QSignalBlocker blockAnchor(anchorPicker_);
        anchorPicker_->setCurrentIndex(static_cast<int>(kind));
    }
    timePicker_->setVisible(isClock);
    offsetStepper_->setVisible(!isClock);
    invalidIcon_->setVisible(!formsTime);
    invalidTime_->setVisible(!formsTime);
    if (isClock) {
        const QSignalBlocker blockTime(timePicker_);
        // A stored time that forms no time of day has no value to show: the picker shows
        // dashes, and the step keeps its stored hour and minute until the user picks a time.
        const QString special = formsTime ? QString() : QStringLiteral("--:--");
        if (timePicker_->specialValueText() != special) timePicker_->setSpecialValueText(special);
        const QTime shown = formsTime ? QTime(static_cast<int>(anchor.hour()),
                                              static_cast<int>(anchor.minute()))
                                      : timePicker_->minimumTime();
        // Set only when it differs, so a time being typed is not reset under the cursor.
        if (timePicker_->time() != shown) timePicker_->setTime(shown);
        invalidTime_->setText(formsTime ? QString()
                                        : tr("%1:%2 is not a time of day. Pick a time.")
                                              .arg(anchor.hour())
                                              .arg(anchor.minute(), 2, 10, QLatin1Char('0')));
    } else {
        const QSignalBlocker blockOffset(offsetStepper_);
        const int offset = clampedToInt(anchor.offsetMinutes());
        offsetStepper_->setRange(std::min(KeyframeEdits::offsetRange.lower, offset),
                                 std::max(KeyframeEdits::offsetRange.upper, offset));
        offsetStepper_->setValue(offset);
    }
    // Sunrise and sunset say when they fall today; a clock time only when a clock change
    // moves it today.
    const bool showToday = today.start && (!isClock || today.moved);
    todayTime_->setVisible(showToday);
    todayTime_->setText(showToday ? tr("today %1").arg(ScheduleTexts::time(today.start, zone))
                                  : QString());
}

void KeyframeRow::displayMode() {
    const auto& mode = keyframe_.mode;
    {
        const QSignalBlocker blockKind(modePicker_);
        modePicker_->setCurrentIndex(static_cast<int>(mode.kind()));
    }
    // The same slider as the panel's, warmer towards the right end as there.
    const auto slider = MenuRules::slider(mode.kind());
    strengthSlider_->setVisible(slider.has_value());
    strengthValue_->setVisible(slider.has_value());
    if (!slider) return;
    const QSignalBlocker blockSlider(strengthSlider_);
    strengthSlider_->setRange(slider->minimum, slider->maximum);
    strengthSlider_->setSingleStep(slider->singleStep);
    strengthSlider_->setPageStep(slider->pageStep);
    strengthSlider_->setInvertedAppearance(slider->reversed);
    strengthSlider_->setInvertedControls(slider->reversed);
    // A strength from a file beyond the range shows at the slider's end, and stays as it is
    // until the slider is moved.
    strengthSlider_->setValue(MenuRules::position(*slider, mode.strength()));
    strengthValue_->setText(ScheduleTexts::strength(mode));
    strengthSlider_->setAccessibleName(mode.kind() == DisplayMode::Kind::warm
                                           ? tr("Colour temperature")
                                           : mode.kind() == DisplayMode::Kind::bright
                                                 ? tr("Brightness")
                                                 : tr("Red intensity"));
}

void KeyframeRow::change(Keyframe changed) {
    if (changed == keyframe_) return;
    callbacks_.onChange(changed);
}

void KeyframeRow::anchorKindPicked(int index) {
    const auto kind = static_cast<AnchorKind>(index);
    const auto wall = today_.start ? ScheduleToday::wallTime(*today_.start, zone_) : std::nullopt;
    Keyframe changed = keyframe_;
    changed.time = KeyframeEdits::withAnchorKind(keyframe_.time, kind, wall);
    change(changed);
}

void KeyframeRow::clockTimePicked() {
    const QTime picked = timePicker_->time();
    Keyframe changed = keyframe_;
    changed.time = TimeAnchor::clock(picked.hour(), picked.minute());
    change(changed);
}

void KeyframeRow::modeKindPicked(int index) {
    Keyframe changed = keyframe_;
    changed.mode = KeyframeEdits::withModeKind(keyframe_.mode, allDisplayModeKinds[index],
                                               preferences_);
    change(changed);
}

void KeyframeRow::strengthMoved(int value) {
    const auto kind = keyframe_.mode.kind();
    const auto slider = MenuRules::slider(kind);
    if (!slider) return;
    const double strength = MenuRules::strength(*slider, value);
    Keyframe changed = keyframe_;
    switch (kind) {
        case DisplayMode::Kind::bright: changed.mode = DisplayMode::bright(strength); break;
        case DisplayMode::Kind::warm: changed.mode = DisplayMode::warm(strength); break;
        case DisplayMode::Kind::red: changed.mode = DisplayMode::red(strength); break;
        case DisplayMode::Kind::off: return;
    }
    change(changed);
}

}  // namespace vesperine
