#include "Settings/Views/ScheduleEditorHeader.h"

#include <QStyle>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "Settings/ScheduleDraft.h"
#include "Support/Views/Icons.h"

namespace vesperine {

ScheduleEditorHeader::ScheduleEditorHeader(std::function<void()> onBack,
                                           std::function<void()> onUse, QWidget* parent)
    : QWidget(parent) {
    back_ = new QPushButton(Icons::named("go-previous"), tr("Schedules"), this);
    back_->setObjectName(QStringLiteral("backButton"));
    back_->setFlat(true);
    back_->setToolTip(tr("Back to all schedules"));
    connect(back_, &QPushButton::clicked, this, std::move(onBack));

    active_ = new QWidget(this);
    active_->setObjectName(QStringLiteral("activeLabel"));
    auto* activeIcon = new QLabel(active_);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    activeIcon->setPixmap(Icons::named("emblem-ok").pixmap(size, size));
    auto* activeText = new QLabel(tr("Active"), active_);
    auto* activeRow = new QHBoxLayout(active_);
    activeRow->setContentsMargins(0, 0, 0, 0);
    activeRow->addWidget(activeIcon);
    activeRow->addWidget(activeText);

    use_ = new QPushButton(tr("Use This Schedule"), this);
    use_->setObjectName(QStringLiteral("useButton"));
    connect(use_, &QPushButton::clicked, this, std::move(onUse));

    setFocusProxy(back_);  // an opened editor starts at its way back
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(back_);
    row->addStretch();
    row->addWidget(active_);
    row->addWidget(use_);
}

void ScheduleEditorHeader::refresh(const ScheduleDraft& draft) {
    const bool active = draft.isActive();
    active_->setVisible(active);
    use_->setVisible(!active);
    use_->setEnabled(draft.canUse());
    const bool savesFirst = !draft.isBuiltIn() && draft.isDirty();
    use_->setToolTip(!draft.canUse() ? tr("Give the schedule a name to save and use it")
                     : savesFirst    ? tr("Saves your changes and switches to this schedule")
                                     : tr("Switch to this schedule"));
}

}  // namespace vesperine
