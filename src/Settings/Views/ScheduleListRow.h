#pragma once

#include <QFrame>
#include <functional>

#include "Schedule/Schedule.h"

class QLabel;
class QToolButton;
class QAction;

namespace vesperine {

// One schedule in the list: its name, the one-line summary of its steps, "Active" for the
// schedule in force, a menu (Edit, Duplicate, and Delete for custom schedules) and a button
// that opens the editor.
class ScheduleListRow final : public QFrame {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onEdit;
        std::function<void()> onDuplicate;
        std::function<void()> onDelete;
    };
    explicit ScheduleListRow(Callbacks callbacks, QWidget* parent = nullptr);

    void display(const Schedule& schedule, const QString& summary, bool active);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Callbacks callbacks_;
    QLabel* name_;
    QLabel* summary_;
    QWidget* active_;
    QToolButton* menuButton_;
    QAction* delete_;
    QToolButton* open_;
};

}  // namespace vesperine
