#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "App/AppState.h"
#include "Guide/Guide.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vesperine {

class ScheduleListRow;
class ScheduleTipSlot;

// All schedules: "Built-in" (the presets) and "Yours" (the custom schedules in store order),
// with New Schedule, and per row Use, Edit, Duplicate and Delete (after asking). `onEdit`
// opens the editor on a schedule. Above the schedules, the guide's tip on finding them. Main loop only.
class ScheduleList final : public QWidget {
    Q_OBJECT
public:
    ScheduleList(AppState& state, Guide& guide, std::function<void(Uuid)> onEdit,
                 QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void orderFocus();
    void syncSection(QVBoxLayout* section, const std::vector<Schedule>& schedules,
                     std::map<Uuid, ScheduleListRow*>& kept);
    void addNew();
    void use(Uuid id);
    void duplicate(Uuid id);
    // Asks first, naming the schedule.
    void remove(Uuid id);
    void showOutcome(const Status& saved);

    AppState& state_;
    std::function<void(Uuid)> onEdit_;
    QPushButton* newSchedule_ = nullptr;
    QVBoxLayout* builtIn_ = nullptr;
    QVBoxLayout* yours_ = nullptr;
    QLabel* noneOfYours_ = nullptr;
    QLabel* saveFailure_ = nullptr;
    ScheduleTipSlot* tip_ = nullptr;
    std::map<Uuid, ScheduleListRow*> rows_;
};

}  // namespace vesperine
