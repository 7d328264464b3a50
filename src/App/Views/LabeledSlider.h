#pragma once

#include <QLabel>
#include <QSlider>
#include <QWidget>
#include <optional>

#include "App/MenuRules.h"

namespace vesperine {

// One strength slider: its title with the value as text beside it, the slider, and an
// optional note under it. It shows what it is given and reports what the user sets.
class LabeledSlider final : public QWidget {
    Q_OBJECT
public:
    explicit LabeledSlider(QWidget* parent = nullptr);

    // Shows `strength` (kept within the slider's ends) and `valueText`; nothing is reported.
    void display(const QString& title, const MenuRules::Slider& slider, double strength,
                 const QString& valueText, const QString& note);

    QSlider* slider() const { return slider_; }

Q_SIGNALS:
    // The user moved the slider to `strength`, in the kind's unit.
    void moved(double strength);

private:
    QLabel* title_;
    QLabel* value_;
    QSlider* slider_;
    QLabel* note_;
    MenuRules::Slider range_;
};

}  // namespace vesperine
