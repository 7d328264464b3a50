#pragma once

#include <QFrame>
#include <functional>

#include "App/Preferences.h"
#include "Schedule/Keyframe.h"
#include "Schedule/TimeZone.h"
#include "Settings/ScheduleToday.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimeEdit;
class QToolButton;

namespace vesperine {

class StepperBox;

// One step of the schedule editor: when it begins (a clock time, or sunrise or sunset with
// an offset and the time that gives today), its mode and strength, its fade, a preview and a
// delete button. It shows the step it is given and reports each change the user makes as the
// whole changed step; it keeps nothing of its own.
class KeyframeRow final : public QFrame {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const Keyframe&)> onChange;
        std::function<void()> onPreview;
        std::function<void()> onDelete;
    };
    explicit KeyframeRow(Callbacks callbacks, QWidget* parent = nullptr);

    // Shows `keyframe`, its time today in `zone`; a mode kind picked anew starts at its
    // strength in `preferences`.
    void display(const Keyframe& keyframe, const ScheduleToday::StepTime& today,
                 const TimeZone& zone, const Preferences& preferences);
    const Keyframe& keyframe() const { return keyframe_; }

private:
    void build();
    void displayTime(const ScheduleToday::StepTime& today, const TimeZone& zone);
    void displayMode();
    void change(Keyframe changed);
    void anchorKindPicked(int index);
    void clockTimePicked();
    void modeKindPicked(int index);
    void strengthMoved(int value);

    Callbacks callbacks_;
    Keyframe keyframe_;
    ScheduleToday::StepTime today_;
    TimeZone zone_;
    Preferences preferences_;

    QComboBox* anchorPicker_ = nullptr;
    QTimeEdit* timePicker_ = nullptr;
    StepperBox* offsetStepper_ = nullptr;
    QLabel* todayTime_ = nullptr;
    QLabel* invalidIcon_ = nullptr;
    QLabel* invalidTime_ = nullptr;
    QComboBox* modePicker_ = nullptr;
    QSlider* strengthSlider_ = nullptr;
    QLabel* strengthValue_ = nullptr;
    StepperBox* fadeStepper_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
};

}  // namespace vesperine
