#pragma once

#include <QDialog>

class QLineEdit;

namespace vesperine {

// The sheet that names a new custom schedule: a "Name" field with Save and Cancel. An empty
// name is allowed: the store then calls the schedule "My schedule", which the field shows as
// its placeholder. Escape cancels.
class NamingSheet final : public QDialog {
    Q_OBJECT
public:
    NamingSheet(const QString& name, QWidget* parent);
    QString name() const;

private:
    QLineEdit* field_;
};

}  // namespace vesperine
