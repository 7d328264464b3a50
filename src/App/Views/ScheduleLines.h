#pragma once

#include <QLabel>
#include <QWidget>

#include "App/Views/MenuServices.h"

namespace vesperine {

// "Schedule: " and the active schedule's name; under it the next change ("Warm 3400K at
// 21:00") when the schedule has one, and a request for a location when a step follows the
// sun and none is set.
class ScheduleLines final : public QWidget {
    Q_OBJECT
public:
    ScheduleLines(MenuServices& services, QWidget* parent = nullptr);

private:
    void refresh();

    MenuServices& services_;
    QLabel* schedule_;
    QLabel* next_;
    QLabel* location_;
};

}  // namespace vesperine
