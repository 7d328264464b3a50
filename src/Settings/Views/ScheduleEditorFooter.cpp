#include "Settings/Views/ScheduleEditorFooter.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "Settings/ScheduleDraft.h"

namespace vesperine {

ScheduleEditorFooter::ScheduleEditorFooter(Callbacks callbacks, QWidget* parent) : QWidget(parent) {
    revert_ = new QPushButton(tr("Revert"), this);
    revert_->setObjectName(QStringLiteral("revertButton"));
    connect(revert_, &QPushButton::clicked, this, std::move(callbacks.onRevert));
    saveAsNew_ = new QPushButton(tr("Save as New\u2026"), this);
    saveAsNew_->setObjectName(QStringLiteral("saveAsNewButton"));
    connect(saveAsNew_, &QPushButton::clicked, this, std::move(callbacks.onSaveAsNew));
    save_ = new QPushButton(tr("Save"), this);
    save_->setObjectName(QStringLiteral("saveButton"));
    save_->setDefault(true);
    connect(save_, &QPushButton::clicked, this, std::move(callbacks.onSave));

    // A click on Revert or Save leaves the focus on the control that was being edited:
    // both buttons go away or grey out once they have done their work.
    revert_->setFocusPolicy(Qt::TabFocus);
    save_->setFocusPolicy(Qt::TabFocus);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(revert_);
    row->addStretch();
    row->addWidget(saveAsNew_);
    row->addWidget(save_);
}

void ScheduleEditorFooter::refresh(const ScheduleDraft& draft) {
    const bool revertable = draft.isDirty();
    const bool savable = draft.canSave();
    // Reached by Tab and pressed, a button that now goes away hands the focus to its
    // neighbour: left to itself, Qt would move it on to the next part of the window.
    if ((revert_->hasFocus() && !revertable) || (save_->hasFocus() && !savable))
        saveAsNew_->setFocus(Qt::OtherFocusReason);
    revert_->setVisible(revertable);
    save_->setVisible(!draft.isBuiltIn());
    save_->setEnabled(savable);
}

}  // namespace vesperine
