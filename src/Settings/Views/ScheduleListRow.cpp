#include "Settings/Views/ScheduleListRow.h"

#include <QStyle>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "Support/Views/Icons.h"

namespace vesperine {

ScheduleListRow::ScheduleListRow(Callbacks callbacks, QWidget* parent)
    : QFrame(parent), callbacks_(std::move(callbacks)) {
    setObjectName(QStringLiteral("scheduleRow"));
    setFrameShape(QFrame::StyledPanel);

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("scheduleName"));
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("scheduleSummary"));
    summary_->setWordWrap(true);
    summary_->setForegroundRole(QPalette::PlaceholderText);

    active_ = new QWidget(this);
    active_->setObjectName(QStringLiteral("activeLabel"));
    auto* activeIcon = new QLabel(active_);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    activeIcon->setPixmap(Icons::named("emblem-ok").pixmap(size, size));
    auto* activeRow = new QHBoxLayout(active_);
    activeRow->setContentsMargins(0, 0, 0, 0);
    activeRow->addWidget(activeIcon);
    activeRow->addWidget(new QLabel(tr("Active"), active_));

    auto* menu = new QMenu(this);
    menu->addAction(tr("Edit"), this, [this] { callbacks_.onEdit(); })
        ->setObjectName(QStringLiteral("editAction"));
    menu->addAction(tr("Duplicate"), this, [this] { callbacks_.onDuplicate(); })
        ->setObjectName(QStringLiteral("duplicateAction"));
    delete_ = menu->addAction(Icons::named("edit-delete"), tr("Delete"), this,
                              [this] { callbacks_.onDelete(); });
    delete_->setObjectName(QStringLiteral("deleteAction"));
    menuButton_ = new QToolButton(this);
    menuButton_->setObjectName(QStringLiteral("rowMenuButton"));
    menuButton_->setIcon(Icons::named("view-more"));
    menuButton_->setText(tr("\u2026"));
    menuButton_->setMenu(menu);
    menuButton_->setPopupMode(QToolButton::InstantPopup);
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
    delete_->setVisible(!schedule.isBuiltIn);
    menuButton_->setAccessibleName(tr("More for %1").arg(name));
    menuButton_->setToolTip(tr("More"));
    open_->setAccessibleName(tr("Edit %1").arg(name));
    open_->setToolTip(tr("Edit"));
}

void ScheduleListRow::mouseDoubleClickEvent(QMouseEvent*) { callbacks_.onEdit(); }

}  // namespace vesperine
