#pragma once

#include <QFrame>
#include <functional>

#include "Schedule/Schedule.h"

class QLabel;
class QMenu;
class QToolButton;
class QAction;

namespace vesperine {

// One schedule in the list: its name, the one-line summary of its steps, "Active" for the
// schedule in force, a menu (Use, Edit, Duplicate, and Delete for custom schedules) and a
// button that opens the editor. A click on the row, or Enter while it has the focus, opens
// the editor too; the menu also opens as the row's context menu.
class ScheduleListRow final : public QFrame {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onEdit;
        std::function<void()> onUse;
        std::function<void()> onDuplicate;
        std::function<void()> onDelete;
    };
    explicit ScheduleListRow(Callbacks callbacks, QWidget* parent = nullptr);

    void display(const Schedule& schedule, const QString& summary, bool active);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Callbacks callbacks_;
    QLabel* name_;
    QLabel* summary_;
    QWidget* active_;
    QMenu* menu_;
    QToolButton* menuButton_;
    QAction* use_;
    QAction* delete_;
    QToolButton* open_;
};

}  // namespace vesperine
