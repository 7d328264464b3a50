#pragma once

#include <QComboBox>
#include <QWidget>

#include "App/Views/MenuServices.h"

namespace vesperine {

// While the user's pick overrides the schedule: "Keep" with how long it lasts (changing it
// starts the new lifetime now) and "Resume Schedule". Hidden otherwise.
class OverrideStatus final : public QWidget {
    Q_OBJECT
public:
    OverrideStatus(MenuServices& services, QWidget* parent = nullptr);

private:
    void refresh();
    void keep(LifetimeChoice choice);
    void resume();

    MenuServices& services_;
    QComboBox* keep_;
};

}  // namespace vesperine
