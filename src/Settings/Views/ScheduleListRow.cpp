#include "Settings/Views/ScheduleListRow.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "Support/Views/Icons.h"
#include "Support/Views/TextTone.h"

namespace vesperine {

ScheduleListRow::ScheduleListRow(Callbacks callbacks, QWidget* parent)
    : QFrame(parent), callbacks_(std::move(callbacks)) {
    setObjectName(QStringLiteral("scheduleRow"));
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("scheduleName"));
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("scheduleSummary"));
    summary_->setWordWrap(true);
    TextTone::secondary(summary_);

    active_ = new QWidget(this);
    active_->setObjectName(QStringLiteral("activeLabel"));
    auto* activeIcon = new QLabel(active_);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    activeIcon->setPixmap(Icons::named("emblem-ok").pixmap(size, size));
    auto* activeRow = new QHBoxLayout(active_);
    activeRow->setContentsMargins(0, 0, 0, 0);
    activeRow->addWidget(activeIcon);
    activeRow->addWidget(new QLabel(tr("Active"), active_));

    menu_ = new QMenu(this);
    use_ = menu_->addAction(tr("Use"), this, [this] { callbacks_.onUse(); });
    use_->setObjectName(QStringLiteral("useAction"));
    use_->setToolTip(tr("Switch to this schedule"));
    menu_->addAction(tr("Edit"), this, [this] { callbacks_.onEdit(); })
        ->setObjectName(QStringLiteral("editAction"));
    menu_->addAction(tr("Duplicate"), this, [this] { callbacks_.onDuplicate(); })
        ->setObjectName(QStringLiteral("duplicateAction"));
    delete_ = menu_->addAction(Icons::named("edit-delete"), tr("Delete"), this,
                               [this] { callbacks_.onDelete(); });
    delete_->setObjectName(QStringLiteral("deleteAction"));
    menuButton_ = new QToolButton(this);
    menuButton_->setObjectName(QStringLiteral("rowMenuButton"));
    menuButton_->setIcon(Icons::named("view-more"));
    menuButton_->setText(tr("\u2026"));
    // Opened by hand, not as the button's own menu: a tool button draws its menu arrow over
    // its icon.
    connect(menuButton_, &QToolButton::clicked, this,
            [this] { menu_->popup(menuButton_->mapToGlobal(menuButton_->rect().bottomLeft())); });
    menuButton_->setFocusPolicy(Qt::StrongFocus);

    open_ = new QToolButton(this);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setIcon(Icons::named("go-next"));
    open_->setFocusPolicy(Qt::StrongFocus);
    connect(open_, &QToolButton::clicked, this, [this] { callbacks_.onEdit(); });

    auto* texts = new QVBoxLayout;
    texts->addWidget(name_);
    texts->addWidget(summary_);
    auto* row = new QHBoxLayout(this);
    row->addLayout(texts, 1);
    row->addWidget(active_);
    row->addWidget(menuButton_);
    row->addWidget(open_);
}

void ScheduleListRow::display(const Schedule& schedule, const QString& summary, bool active) {
    const QString name = QString::fromStdString(schedule.name);
    name_->setText(name);
    summary_->setText(summary);
    active_->setVisible(active);
    use_->setVisible(!active);
    delete_->setVisible(!schedule.isBuiltIn);
    setAccessibleName(name);
    setAccessibleDescription(summary);
    setToolTip(tr("Click to see and edit its steps"));
    menuButton_->setAccessibleName(tr("More for %1").arg(name));
    menuButton_->setToolTip(tr("More"));
    open_->setAccessibleName(tr("Edit %1").arg(name));
    open_->setToolTip(tr("Edit"));
}

void ScheduleListRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();  // the release that follows comes here
        return;
    }
    QFrame::mousePressEvent(event);
}

void ScheduleListRow::mouseReleaseEvent(QMouseEvent* event) {
    // A press that is dragged off the row and let go elsewhere changes its mind.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        callbacks_.onEdit();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

void ScheduleListRow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            callbacks_.onEdit();
            return;
        default:
            QFrame::keyPressEvent(event);
    }
}

void ScheduleListRow::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard (the menu key, Shift+F10) the menu opens under the row's name.
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : mapToGlobal(name_->geometry().bottomLeft());
    menu_->popup(at);
}

void ScheduleListRow::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = contentsRect().adjusted(1, 1, -1, -1);
    focus.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

}  // namespace vesperine
