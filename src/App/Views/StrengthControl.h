#pragma once

#include <QLabel>
#include <QWidget>

#include "App/Views/LabeledSlider.h"
#include "App/Views/MenuServices.h"

namespace vesperine {

// The strength of the kind shown: "Boost", "Warmth" or "Red brightness" over the remembered
// strength of that kind (moving it makes that strength the override at once), or "Display
// untouched." for Off. Bright also says when the displays allow less boost right now.
class StrengthControl final : public QWidget {
    Q_OBJECT
public:
    StrengthControl(MenuServices& services, QWidget* parent = nullptr);

private:
    void refresh();
    void set(double strength);

    MenuServices& services_;
    LabeledSlider* slider_;
    QLabel* untouched_;
    DisplayMode::Kind kind_ = DisplayMode::Kind::off;
    bool donated_ = false;  // the first move of this panel's life is told to the guide
};

}  // namespace vesperine
