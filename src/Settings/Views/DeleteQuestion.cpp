#include "Settings/Views/DeleteQuestion.h"

#include <QPushButton>

namespace vesperine {

DeleteQuestion::DeleteQuestion(const QString& name, QWidget* parent) : QMessageBox(parent) {
    setObjectName(QStringLiteral("deleteQuestion"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setIcon(QMessageBox::Warning);
    setText(tr("Delete \u201c%1\u201d?").arg(name));
    setInformativeText(tr("The schedule and its steps are removed for good."));
    auto* remove = addButton(tr("Delete"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("deleteAnswer"));
    auto* cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelAnswer"));
    // Enter keeps the schedule: only a deliberate choice of Delete removes it.
    setDefaultButton(cancel);
    setEscapeButton(cancel);
    connect(this, &QMessageBox::buttonClicked, this, [this, remove](QAbstractButton* button) {
        if (button == remove && onDelete) onDelete();
    });
}

}  // namespace vesperine
