#include "Settings/Views/LeaveQuestion.h"

#include <QPushButton>

namespace vesperine {

LeaveQuestion::LeaveQuestion(const QString& name, bool isBuiltIn, bool canSave, QWidget* parent)
    : QMessageBox(parent), isBuiltIn_(isBuiltIn) {
    setObjectName(QStringLiteral("leaveQuestion"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setIcon(QMessageBox::Question);
    setText(tr("Save changes to \u201c%1\u201d?").arg(name));
    if (isBuiltIn) {
        setInformativeText(tr("Built-in schedules can't be changed. Use Save as New\u2026 to keep your edits."));
    }
    keep_ = addButton(isBuiltIn ? tr("Save as New\u2026") : tr("Save"), QMessageBox::AcceptRole);
    keep_->setObjectName(QStringLiteral("keepAnswer"));
    keep_->setEnabled(isBuiltIn || canSave);
    discard_ = addButton(tr("Discard Changes"), QMessageBox::DestructiveRole);
    discard_->setObjectName(QStringLiteral("discardAnswer"));
    auto* cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelAnswer"));
    setDefaultButton(qobject_cast<QPushButton*>(keep_->isEnabled() ? keep_ : cancel));
    setEscapeButton(cancel);
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton* button) {
        if (!onAnswer) return;
        if (button == keep_) {
            onAnswer(isBuiltIn_ ? Answer::saveAsNew : Answer::save);
        } else if (button == discard_) {
            onAnswer(Answer::discard);
        } else {
            onAnswer(Answer::cancel);
        }
    });
}

}  // namespace vesperine
