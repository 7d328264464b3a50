#pragma once

#include <QWidget>

namespace vesperine {

// A row of dots, one per step, the current one filled: where the user is in a walk-through.
// Sized from the font, drawn in the palette's text colours.
class StepDots final : public QWidget {
    Q_OBJECT
public:
    StepDots(int count, QWidget* parent = nullptr);

    void setCurrent(int step);  // from 0
    int current() const { return current_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int diameter() const;

    int count_;
    int current_ = 0;
};

}  // namespace vesperine
