#include "Settings/Views/ScheduleTab.h"

#include <QStackedLayout>

#include "Settings/Views/ScheduleEditor.h"
#include "Settings/Views/ScheduleList.h"

namespace vesperine {

ScheduleTab::ScheduleTab(AppState& state, Guide& guide, QWidget* parent)
    : QWidget(parent), state_(state), guide_(guide) {
    setObjectName(QStringLiteral("scheduleTab"));
    pages_ = new QStackedLayout(this);
    list_ = new ScheduleList(state_, guide_, [this](Uuid id) { setEditingID(id); }, this);
    pages_->addWidget(list_);
}

void ScheduleTab::setEditingID(std::optional<Uuid> id) {
    editingID_ = id;
    if (editor_) {
        // Later: this may run from inside one of the editor's own controls.
        pages_->removeWidget(editor_);
        editor_->hide();
        editor_->deleteLater();
        editor_ = nullptr;
    }
    if (id) {
        editor_ = new ScheduleEditor(state_, guide_, *id,
                                     [this](std::optional<Uuid> next) { setEditingID(next); }, this);
        pages_->addWidget(editor_);
        pages_->setCurrentWidget(editor_);
        if (isVisible()) editor_->setFocus();
    } else {
        pages_->setCurrentWidget(list_);
        if (isVisible()) list_->setFocus();
    }
}

void ScheduleTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Once per window: the tab is made with the window, whichever tab the user looks at.
    if (!seen_) {
        seen_ = true;
        guide_.donate(TipEvent::schedulesOpened);
    }
}

bool ScheduleTab::hasUnsavedChanges() const { return editor_ && editor_->draft().needsSave(); }

void ScheduleTab::leaveEditor() {
    if (editor_) editor_->leave(std::nullopt);
}

}  // namespace vesperine
