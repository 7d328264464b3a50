#include "Onboarding/Views/StepDots.h"

#include <QPainter>
#include <algorithm>

namespace vesperine {

StepDots::StepDots(int count, QWidget* parent) : QWidget(parent), count_(std::max(count, 1)) {
    setObjectName(QStringLiteral("stepDots"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCurrent(0);
}

void StepDots::setCurrent(int step) {
    current_ = std::clamp(step, 0, count_ - 1);
    setAccessibleName(tr("Step %1 of %2").arg(current_ + 1).arg(count_));
    update();
}

int StepDots::diameter() const { return std::max(6, fontMetrics().height() / 2); }

QSize StepDots::sizeHint() const {
    const int d = diameter();
    return {count_ * d + (count_ - 1) * d, d};
}

void StepDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int d = diameter();
    for (int step = 0; step < count_; ++step) {
        const bool here = step == current_;
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(here ? QPalette::WindowText : QPalette::PlaceholderText));
        painter.drawEllipse(QRectF(step * 2 * d, 0, d, d).adjusted(here ? 0 : 1, here ? 0 : 1,
                                                                    here ? 0 : -1, here ? 0 : -1));
    }
}

}  // namespace vesperine
