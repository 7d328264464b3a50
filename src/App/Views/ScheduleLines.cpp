#include "App/Views/ScheduleLines.h"

#include <QVBoxLayout>

#include "App/MenuRules.h"
#include "App/Views/PanelText.h"
#include "Guide/Views/TipSpot.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

ScheduleLines::ScheduleLines(MenuServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      schedule_(PanelText::label({}, QStringLiteral("scheduleLine"), this)),
      next_(PanelText::label({}, QStringLiteral("nextChange"), this)),
      location_(PanelText::label(tr("Set your location in Settings for sunrise and sunset times."),
                                 QStringLiteral("locationNote"), this)) {
    for (QLabel* caption : {next_, location_}) {
        PanelText::caption(caption);
        PanelText::secondary(caption);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(schedule_);
    layout->addWidget(next_);
    layout->addWidget(location_);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::scheduleLine, this));
    const auto redraw = [this] { refresh(); };
    ScheduleStore& store = services_.state.store();
    watch(store.activeID(), this, redraw);
    watch(store.custom(), this, redraw);  // the active one renamed or its steps edited
    watch(store.location(), this, redraw);
    watch(services_.state.scheduleState(), this, redraw);
}

void ScheduleLines::refresh() {
    AppState& state = services_.state;
    const Schedule active = state.store().active();
    schedule_->setText(tr("Schedule: %1").arg(QString::fromStdString(active.name)));
    const auto next = MenuRules::nextChange(state.scheduleState().get(), state.nextScheduledMode());
    if (next) {
        next_->setText(tr("%1 at %2", "the next mode and its time")
                           .arg(ScheduleTexts::shortDescription(next->mode),
                                ScheduleTexts::time(next->at, state.engine(active).timeZone())));
    }
    next_->setVisible(next.has_value());
    location_->setVisible(MenuRules::needsLocation(active, state.store().location().get()));
}

}  // namespace vesperine
