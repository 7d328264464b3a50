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

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(revert_);
    row->addStretch();
    row->addWidget(saveAsNew_);
    row->addWidget(save_);
}

void ScheduleEditorFooter::refresh(const ScheduleDraft& draft) {
    revert_->setVisible(draft.isDirty());
    save_->setVisible(!draft.isBuiltIn());
    save_->setEnabled(draft.canSave());
}

}  // namespace vesperine
