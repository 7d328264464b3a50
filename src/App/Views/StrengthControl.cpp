#include "App/Views/StrengthControl.h"

#include <QVBoxLayout>

#include "App/Views/PanelText.h"
#include "Guide/Views/TipSpot.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

namespace {

QString sliderTitle(DisplayMode::Kind kind) {
    switch (kind) {
        case DisplayMode::Kind::bright:
            return StrengthControl::tr("Boost");
        case DisplayMode::Kind::warm:
            return StrengthControl::tr("Warmth");
        case DisplayMode::Kind::red:
            return StrengthControl::tr("Red brightness");
        case DisplayMode::Kind::off:
            break;
    }
    return {};
}

}  // namespace

StrengthControl::StrengthControl(MenuServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      slider_(new LabeledSlider(this)),
      untouched_(
          PanelText::label(tr("Display untouched."), QStringLiteral("displayUntouched"), this)) {
    PanelText::secondary(untouched_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_);
    layout->addWidget(untouched_);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::slider, this));
    connect(slider_, &LabeledSlider::moved, this, [this](double strength) { set(strength); });
    const auto redraw = [this] { refresh(); };
    watch(services_.state.resolution(), this, redraw);
    watch(services_.state.preferences(), this, redraw);
    // The boost note: what the displays allow changes with them and with the boost shown.
    watch(services_.pipeline.displays(), this, redraw);
    watch(services_.pipeline.current(), this, [this] {
        if (kind_ == DisplayMode::Kind::bright) refresh();  // not every frame of other fades
    });
}

void StrengthControl::refresh() {
    kind_ = services_.state.resolution()->mode.kind();
    const auto slider = MenuRules::slider(kind_);
    const auto strength = services_.state.preferences()->strength(kind_);
    untouched_->setVisible(!slider);
    slider_->setVisible(slider.has_value());
    if (!slider || !strength) return;
    QString note;
    if (kind_ == DisplayMode::Kind::bright) {
        if (auto percent =
                MenuRules::boostNotePercent(*strength, services_.pipeline.boostCeiling())) {
            note = tr("Display allows up to %1% right now").arg(*percent);
        }
    }
    const DisplayMode mode = preferredMode(kind_, services_.state.preferences());
    slider_->display(sliderTitle(kind_), *slider, *strength, ScheduleTexts::strength(mode), note);
}

void StrengthControl::set(double strength) {
    services_.state.setLevel(strength, kind_);
    if (!donated_) {
        donated_ = true;
        services_.guide.donate(TipEvent::sliderUsed);
    }
}

}  // namespace vesperine
