#include "Settings/Views/NamingSheet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Support/Views/TextTone.h"

namespace vesperine {

NamingSheet::NamingSheet(const QString& name, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("namingSheet"));
    setWindowTitle(tr("Save as New"));
    setWindowModality(Qt::WindowModal);
    field_ = new QLineEdit(name, this);
    field_->setObjectName(QStringLiteral("newName"));
    field_->setPlaceholderText(tr("My schedule"));
    TextTone::placeholder(field_);
    field_->setAccessibleName(tr("Name"));
    field_->selectAll();
    auto* buttons = new QDialogButtonBox(this);
    auto* save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveNewButton"));
    save->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelNewButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(tr("Name"), field_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString NamingSheet::name() const { return field_->text(); }

}  // namespace vesperine
