#include "Settings/Views/ScheduleEditor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "Settings/ScheduleToday.h"
#include "Settings/Views/KeyframeRow.h"
#include "Settings/Views/LeaveQuestion.h"
#include "Settings/Views/NamingSheet.h"
#include "Settings/Views/ScheduleEditorFooter.h"
#include "Settings/Views/ScheduleEditorHeader.h"
#include "Settings/Views/ScheduleTipSlot.h"
#include "Support/Views/FocusOrder.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/TextTone.h"

namespace vesperine {

ScheduleEditor::ScheduleEditor(AppState& state, Guide& guide, Uuid scheduleID,
                               std::function<void(std::optional<Uuid>)> onClose, QWidget* parent)
    : QWidget(parent),
      state_(state),
      guide_(guide),
      draft_(state, scheduleID),
      onClose_(std::move(onClose)) {
    setObjectName(QStringLiteral("scheduleEditor"));
    header_ = new ScheduleEditorHeader([this] { leave(std::nullopt); }, [this] { use(); }, this);
    setFocusProxy(header_);

    builtInNote_ = new QLabel(
        tr("Built-in. Edit freely, then use Save as New\u2026 to keep your version."), this);
    builtInNote_->setObjectName(QStringLiteral("builtInNote"));
    builtInNote_->setWordWrap(true);

    // The status has a line of its own even while it says nothing, so the steps under it
    // stay where they are when "Unsaved changes" comes and goes.
    statusRow_ = new QWidget(this);
    statusIcon_ = new QLabel(statusRow_);
    statusIcon_->setObjectName(QStringLiteral("saveStatusIcon"));
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    statusIcon_->setFixedSize(iconSize, iconSize);
    status_ = new QLabel(statusRow_);
    status_->setObjectName(QStringLiteral("saveStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setMinimumHeight(std::max(iconSize, status_->fontMetrics().height()));
    auto* statusRow = new QHBoxLayout(statusRow_);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->addWidget(statusIcon_, 0, Qt::AlignTop);
    statusRow->addWidget(status_, 1);
    QWidget* nameRow = buildNameRow();

    footer_ = new ScheduleEditorFooter({[this] { draft_.revert(); }, [this] { askForNewName(); },
                                        [this] { save(); }},
                                       this);

    savedFlashTimer_ = new QTimer(this);
    savedFlashTimer_->setObjectName(QStringLiteral("savedFlashTimer"));
    savedFlashTimer_->setSingleShot(true);
    savedFlashTimer_->setInterval(savedFlashMilliseconds);
    connect(savedFlashTimer_, &QTimer::timeout, this, [this] {
        savedFlash_ = false;
        refreshStatus();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(nameRow);
    layout->addWidget(statusRow_);
    layout->addWidget(builtInNote_);
    tip_ = new ScheduleTipSlot(guide_, ScheduleTip::previewStep);
    layout->addLayout(tip_);
    layout->addWidget(buildSteps(), 1);
    layout->addWidget(footer_);

    const auto redraw = [this] { refresh(); };
    watch(draft_.draft(), this, redraw);
    watch(draft_.saveFailure(), this, redraw);
    watch(state_.store().custom(), this, redraw);
    watch(state_.store().activeID(), this, redraw);
    watch(state_.store().location(), this, redraw);
    watch(state_.scheduleState(), this, redraw);  // the day turns, the zone changes
    watch(state_.preferences(), this, redraw);
}

QWidget* ScheduleEditor::buildNameRow() {
    nameRow_ = new QWidget(this);
    nameField_ = new QLineEdit(nameRow_);
    nameField_->setObjectName(QStringLiteral("nameField"));
    nameField_->setAccessibleName(tr("Name"));
    nameField_->setPlaceholderText(tr("Enter a name to save"));
    TextTone::placeholder(nameField_);
    connect(nameField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { draft_.setName(text.toStdString()); });
    auto* label = new QLabel(tr("Name"), nameRow_);
    label->setBuddy(nameField_);
    auto* row = new QHBoxLayout(nameRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(nameField_, 1);
    return nameRow_;
}

QWidget* ScheduleEditor::buildSteps() {
    auto* content = new QWidget;
    rows_ = new QVBoxLayout;
    noSteps_ = new QLabel(tr("No steps: the display stays as you set it from the menu."), content);
    noSteps_->setObjectName(QStringLiteral("noSteps"));
    noSteps_->setWordWrap(true);
    addStep_ = new QPushButton(Icons::named("list-add"), tr("Add Step"), content);
    addStep_->setObjectName(QStringLiteral("addStepButton"));
    connect(addStep_, &QPushButton::clicked, this, [this] { draft_.addStep(); });
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(addStep_);
    addRow->addStretch();

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(rows_);
    layout->addWidget(noSteps_);
    layout->addLayout(addRow);
    layout->addStretch();

    // The steps scroll, so a small screen still reaches every one of them and the footer.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("steps"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    return scroll;
}

void ScheduleEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Without steps there is nothing to preview yet.
    if (!draft_.draft()->keyframes.empty() && tip_->pageShown(this)) orderFocus();
}

void ScheduleEditor::orderFocus() {
    QList<QWidget*> parts{header_, nameRow_, tip_->view()};
    for (int i = 0; i < rows_->count(); ++i) parts << rows_->itemAt(i)->widget();
    parts << addStep_ << footer_;
    FocusOrder::chain(parts);
}

void ScheduleEditor::preview(Uuid step) {
    draft_.preview(step);
    guide_.donate(TipEvent::stepPreviewed);
    tip_->dismiss();
}

void ScheduleEditor::refresh() {
    if (closing_) return;
    if (!draft_.saved()) {
        // Deleted while open (from the list of another window): nothing left to edit.
        close(std::nullopt);
        return;
    }
    header_->refresh(draft_);
    const bool builtIn = draft_.isBuiltIn();
    nameRow_->setVisible(!builtIn);
    builtInNote_->setVisible(builtIn);
    const QString name = QString::fromStdString(draft_.draft()->name);
    if (nameField_->text() != name) nameField_->setText(name);
    refreshStatus();
    refreshSteps();
    footer_->refresh(draft_);
}

void ScheduleEditor::refreshStatus() {
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    QIcon icon;
    QString text;
    const auto& failure = draft_.saveFailure().get();
    if (failure) {
        icon = Icons::named("dialog-warning");
        text = tr("Couldn't save: %1").arg(QString::fromStdString(*failure));
    } else if (!draft_.isBuiltIn() && draft_.isDirty()) {
        icon = Icons::named("com.brevan.vesperine-unsaved-symbolic");
        text = tr("Unsaved changes");
    } else if (savedFlash_) {
        icon = Icons::named("emblem-ok");
        text = tr("Saved");
    }
    status_->setText(text);
    statusIcon_->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(size, size));
    // A built-in schedule is never saved in place: its line would stay empty, unless the
    // switch to it could not be written.
    statusRow_->setVisible(!draft_.isBuiltIn() || failure);
}

void ScheduleEditor::refreshSteps() {
    const auto& keyframes = draft_.draft()->keyframes;
    const auto times = draft_.stepTimes();
    const auto zone = state_.engine(draft_.draft().get()).timeZone();

    // Rows live as long as their step, so the control being used keeps its focus while
    // the rows move into the order of today's times.
    std::map<Uuid, KeyframeRow*> kept;
    for (std::size_t i : ScheduleToday::order(times)) {
        const Keyframe& step = keyframes[i];
        KeyframeRow* row = nullptr;
        if (auto found = rowsByStep_.find(step.id); found != rowsByStep_.end()) {
            row = found->second;
            rowsByStep_.erase(found);
        } else {
            const Uuid id = step.id;
            row = new KeyframeRow({[this](const Keyframe& changed) { draft_.setKeyframe(changed); },
                                   [this, id] { preview(id); },
                                   [this, id] { draft_.deleteStep(id); }},
                                  this);
        }
        row->display(step, times[i], zone, state_.preferences().get());
        kept[step.id] = row;
    }
    for (auto& [id, gone] : rowsByStep_) {
        gone->hide();
        gone->deleteLater();  // its delete button may be what removed it
    }
    rowsByStep_ = std::move(kept);
    for (std::size_t position = 0; std::size_t i : ScheduleToday::order(times)) {
        KeyframeRow* row = rowsByStep_[keyframes[i].id];
        if (rows_->indexOf(row) != static_cast<int>(position)) {
            rows_->removeWidget(row);
            rows_->insertWidget(static_cast<int>(position), row);
        }
        row->show();
        ++position;
    }
    noSteps_->setVisible(keyframes.empty());
    orderFocus();
}

void ScheduleEditor::save() {
    if (draft_.save()) {
        savedFlash_ = true;
        savedFlashTimer_->start();
    }
    refresh();
}

void ScheduleEditor::use() {
    const bool saves = !draft_.isBuiltIn() && draft_.isDirty();
    if (draft_.use() && saves) {
        savedFlash_ = true;
        savedFlashTimer_->start();
    }
    refresh();
}

void ScheduleEditor::askForNewName() {
    auto* sheet = new NamingSheet(QString::fromStdString(draft_.draft()->name), this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::accepted, this, [this, sheet] {
        const Schedule added = draft_.saveAsNew(sheet->name().toStdString());
        close(added.id);
    });
    sheet->open();
}

void ScheduleEditor::leave(std::optional<Uuid> next) {
    if (closing_) return;
    if (!draft_.needsSave()) {
        close(next);
        return;
    }
    const auto saved = draft_.saved();
    const QString name = QString::fromStdString(saved ? saved->name : draft_.draft()->name);
    auto* question = new LeaveQuestion(name, draft_.isBuiltIn(), draft_.canSave(), this);
    question->onAnswer = [this, next](LeaveQuestion::Answer answer) {
        switch (answer) {
            case LeaveQuestion::Answer::save:
                if (draft_.save()) close(next);
                break;
            case LeaveQuestion::Answer::saveAsNew:
                askForNewName();
                break;
            case LeaveQuestion::Answer::discard:
                draft_.revert();
                close(next);
                break;
            case LeaveQuestion::Answer::cancel:
                break;
        }
    };
    question->open();
}

void ScheduleEditor::close(std::optional<Uuid> next) {
    if (closing_) return;
    closing_ = true;
    onClose_(next);
}

}  // namespace vesperine
