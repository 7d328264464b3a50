#include "Settings/Views/StepperBox.h"

#include <QLineEdit>

namespace vesperine {

StepperBox::StepperBox(std::function<QString(int)> phrase, QWidget* parent)
    : QSpinBox(parent), phrase_(std::move(phrase)) {
    // The phrase is not typed: stepping is the only way to change the value.
    lineEdit()->setReadOnly(true);
    setKeyboardTracking(false);
}

QString StepperBox::textFromValue(int value) const { return phrase_(value); }

// The text always shows the value; reading it back keeps the value.
int StepperBox::valueFromText(const QString&) const { return value(); }

QValidator::State StepperBox::validate(QString&, int&) const { return QValidator::Acceptable; }

}  // namespace vesperine
