#include "App/Views/LabeledSlider.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "App/Views/PanelText.h"

namespace vesperine {

LabeledSlider::LabeledSlider(QWidget* parent)
    : QWidget(parent),
      title_(new QLabel(this)),
      value_(new QLabel(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      note_(PanelText::label({}, QStringLiteral("sliderNote"), this)) {
    title_->setObjectName(QStringLiteral("sliderTitle"));
    value_->setObjectName(QStringLiteral("sliderValue"));
    slider_->setObjectName(QStringLiteral("slider"));
    title_->setBuddy(slider_);
    PanelText::secondary(value_);
    PanelText::caption(note_);
    PanelText::secondary(note_);
    auto* top = new QHBoxLayout;
    top->addWidget(title_);
    top->addStretch(1);
    top->addWidget(value_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(slider_);
    layout->addWidget(note_);
    connect(slider_, &QSlider::valueChanged, this,
            [this](int position) { Q_EMIT moved(MenuRules::strength(range_, position)); });
}

void LabeledSlider::display(const QString& title, const MenuRules::Slider& slider, double strength,
                            const QString& valueText, const QString& note) {
    const QSignalBlocker quiet(slider_);
    range_ = slider;
    title_->setText(title);
    slider_->setAccessibleName(title);
    slider_->setRange(slider.minimum, slider.maximum);
    slider_->setSingleStep(slider.singleStep);
    slider_->setPageStep(slider.pageStep);
    // Reversed: the upper end on the left, and the arrow keys still move the handle the way
    // they point.
    slider_->setInvertedAppearance(slider.reversed);
    slider_->setInvertedControls(slider.reversed);
    slider_->setValue(MenuRules::position(slider, strength));
    value_->setText(valueText);
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
}

}  // namespace vesperine
