#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QWidget>

#include "App/Views/MenuServices.h"

namespace vesperine {

// "Mode" with the four kinds side by side (named "mode:bright" ... "mode:off"), the kind
// shown now checked, Bright disabled where no display can show it. Choosing another kind
// makes it the override until the schedule's next change. The arrow keys move between
// the kinds and choose, so the panel works from the keyboard.
class ModePicker final : public QWidget {
    Q_OBJECT
public:
    ModePicker(MenuServices& services, QWidget* parent = nullptr);

    // The button of the kind shown now (where the keyboard starts when the panel opens).
    QAbstractButton* checkedButton() const { return group_->checkedButton(); }

private:
    void refresh();
    void choose(DisplayMode::Kind kind);

    MenuServices& services_;
    QButtonGroup* group_;
};

}  // namespace vesperine
