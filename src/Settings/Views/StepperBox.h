#pragma once

#include <QSpinBox>
#include <functional>

namespace vesperine {

// A stepper: a spin box whose value is changed with its arrows, the arrow keys or the wheel,
// and shown as a phrase ("Fade 30 min", "−15 min") rather than typed.
class StepperBox final : public QSpinBox {
    Q_OBJECT
public:
    explicit StepperBox(std::function<QString(int)> phrase, QWidget* parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& position) const override;

private:
    std::function<QString(int)> phrase_;
};

}  // namespace vesperine
