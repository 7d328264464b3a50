#include "Settings/Views/ScheduleList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "Schedule/Presets.h"
#include "Settings/ScheduleDraft.h"
#include "Settings/ScheduleToday.h"
#include "Settings/Views/DeleteQuestion.h"
#include "Settings/Views/ScheduleListRow.h"
#include "Settings/Views/ScheduleTipSlot.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/FocusOrder.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

namespace {

QLabel* heading(const QString& text, int pointSizeDelta, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + pointSizeDelta);
    label->setFont(font);
    return label;
}

}  // namespace

ScheduleList::ScheduleList(AppState& state, Guide& guide, std::function<void(Uuid)> onEdit,
                           QWidget* parent)
    : QWidget(parent), state_(state), onEdit_(std::move(onEdit)) {
    setObjectName(QStringLiteral("scheduleList"));
    auto* title = heading(tr("Schedules"), 2, this);
    newSchedule_ = new QPushButton(Icons::named("list-add"), tr("New Schedule"), this);
    newSchedule_->setObjectName(QStringLiteral("newScheduleButton"));
    connect(newSchedule_, &QPushButton::clicked, this, &ScheduleList::addNew);
    setFocusProxy(newSchedule_);
    auto* top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(newSchedule_);

    auto* content = new QWidget;
    builtIn_ = new QVBoxLayout;
    yours_ = new QVBoxLayout;
    noneOfYours_ = new QLabel(tr("None yet. Duplicate a built-in schedule or make a new one."), content);
    noneOfYours_->setObjectName(QStringLiteral("noneOfYours"));
    noneOfYours_->setWordWrap(true);
    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->addWidget(heading(tr("Built-in"), 0, content));
    sections->addLayout(builtIn_);
    sections->addWidget(heading(tr("Yours"), 0, content));
    sections->addLayout(yours_);
    sections->addWidget(noneOfYours_);
    sections->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);

    saveFailure_ = new QLabel(this);
    saveFailure_->setObjectName(QStringLiteral("listSaveFailure"));
    saveFailure_->setWordWrap(true);
    saveFailure_->hide();

    tip_ = new ScheduleTipSlot(guide, ScheduleTip::scheduleList);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(tip_);
    layout->addWidget(scroll, 1);
    layout->addWidget(saveFailure_);

    const auto redraw = [this] { refresh(); };
    watch(state_.store().custom(), this, redraw);
    watch(state_.store().activeID(), this, redraw);
    watch(state_.store().location(), this, redraw);
    watch(state_.scheduleState(), this, redraw);  // the day turns, the zone changes
}

void ScheduleList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (tip_->pageShown(this)) orderFocus();
}

void ScheduleList::orderFocus() {
    // Down the page as drawn: rows are made as schedules are added, and the tip when the
    // page is first seen.
    QList<QWidget*> parts{newSchedule_, tip_->view()};
    for (QVBoxLayout* section : {builtIn_, yours_}) {
        for (int i = 0; i < section->count(); ++i) parts << section->itemAt(i)->widget();
    }
    FocusOrder::chain(parts);
}

void ScheduleList::refresh() {
    std::map<Uuid, ScheduleListRow*> kept;
    syncSection(builtIn_, Presets::all(), kept);
    syncSection(yours_, state_.store().custom().get(), kept);
    for (auto& [id, gone] : rows_) {
        gone->hide();
        gone->deleteLater();  // its own menu may be what removed it
    }
    rows_ = std::move(kept);
    noneOfYours_->setVisible(state_.store().custom()->empty());
    orderFocus();
}

void ScheduleList::syncSection(QVBoxLayout* section, const std::vector<Schedule>& schedules,
                               std::map<Uuid, ScheduleListRow*>& kept) {
    const Uuid activeID = state_.store().active().id;
    const Instant now = state_.now();
    for (std::size_t position = 0; position < schedules.size(); ++position) {
        const Schedule& schedule = schedules[position];
        ScheduleListRow* row = nullptr;
        if (auto found = rows_.find(schedule.id); found != rows_.end()) {
            row = found->second;
            rows_.erase(found);
        } else {
            const Uuid id = schedule.id;
            row = new ScheduleListRow({[this, id] { onEdit_(id); }, [this, id] { use(id); },
                                       [this, id] { duplicate(id); }, [this, id] { remove(id); }},
                                      this);
        }
        const auto engine = state_.engine(schedule);
        row->display(schedule,
                     ScheduleTexts::summary(ScheduleToday::summary(engine, now), engine.timeZone()),
                     schedule.id == activeID);
        if (section->indexOf(row) != static_cast<int>(position)) {
            section->removeWidget(row);
            section->insertWidget(static_cast<int>(position), row);
        }
        kept[schedule.id] = row;
    }
}

void ScheduleList::addNew() {
    const Schedule added = state_.store().addNew(ScheduleStore::makeTemplate(), "My schedule", false);
    showOutcome(state_.store().lastSave());
    onEdit_(added.id);
}

void ScheduleList::duplicate(Uuid id) {
    if (auto schedule = state_.store().schedule(id)) {
        state_.store().duplicate(*schedule, false);
        showOutcome(state_.store().lastSave());
    }
}

void ScheduleList::use(Uuid id) {
    // As the editor's Use This Schedule does, on a schedule without edits.
    showOutcome(ScheduleDraft(state_, id).use());
}

void ScheduleList::remove(Uuid id) {
    const auto schedule = state_.store().schedule(id);
    if (!schedule || schedule->isBuiltIn) return;
    auto* question = new DeleteQuestion(QString::fromStdString(schedule->name), this);
    question->onDelete = [this, id] {
        // Looked up again: the schedule may have changed while the question was open.
        if (auto current = state_.store().schedule(id)) {
            const Status saved = state_.store().deleteSchedule(*current);
            state_.reevaluate();
            showOutcome(saved);
        }
    };
    question->open();
}

void ScheduleList::showOutcome(const Status& saved) {
    saveFailure_->setVisible(!saved);
    saveFailure_->setText(saved ? QString()
                                : tr("Couldn't save: %1").arg(QString::fromStdString(saved.error().description)));
}

}  // namespace vesperine
