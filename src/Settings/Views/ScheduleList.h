#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "App/AppState.h"

class QLabel;
class QVBoxLayout;

namespace vesperine {

class ScheduleListRow;

// All schedules: "Built-in" (the presets) and "Yours" (the custom schedules in store order),
// with New Schedule, and per row Edit, Duplicate and Delete. `onEdit` opens the editor on a
// schedule. Main loop only.
class ScheduleList final : public QWidget {
    Q_OBJECT
public:
    ScheduleList(AppState& state, std::function<void(Uuid)> onEdit, QWidget* parent = nullptr);

private:
    void refresh();
    void syncSection(QVBoxLayout* section, const std::vector<Schedule>& schedules,
                     std::map<Uuid, ScheduleListRow*>& kept);
    void addNew();
    void duplicate(Uuid id);
    void remove(Uuid id);
    void showOutcome(const Status& saved);

    AppState& state_;
    std::function<void(Uuid)> onEdit_;
    QVBoxLayout* builtIn_ = nullptr;
    QVBoxLayout* yours_ = nullptr;
    QLabel* noneOfYours_ = nullptr;
    QLabel* saveFailure_ = nullptr;
    std::map<Uuid, ScheduleListRow*> rows_;
};

}  // namespace vesperine
