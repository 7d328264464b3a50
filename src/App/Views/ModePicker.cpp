#include "App/Views/ModePicker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

#include "App/MenuRules.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

ModePicker::ModePicker(MenuServices& services, QWidget* parent)
    : QWidget(parent), services_(services), group_(new QButtonGroup(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(tr("Mode"), this);
    layout->addWidget(title);
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    for (DisplayMode::Kind kind : allDisplayModeKinds) {
        // Tool buttons: as small as their text, so the four fit the panel's width.
        auto* button = new QToolButton(this);
        button->setText(ScheduleTexts::kindLabel(kind));
        button->setObjectName(QStringLiteral("mode:") + rawValue(kind));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group_->addButton(button, static_cast<int>(kind));
        segments->addWidget(button);
    }
    title->setBuddy(group_->buttons().first());
    layout->addLayout(segments, 1);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) choose(static_cast<DisplayMode::Kind>(id));
    });
    const auto redraw = [this] { refresh(); };
    watch(services_.state.resolution(), this, redraw);
    watch(services_.pipeline.displays(), this, redraw);  // a display that can boost comes or goes
}

void ModePicker::refresh() {
    const QSignalBlocker quiet(group_);
    const bool boost = services_.pipeline.anyDisplaySupportsBoost();
    for (DisplayMode::Kind kind : allDisplayModeKinds) {
        group_->button(static_cast<int>(kind))->setEnabled(MenuRules::isSelectable(kind, boost));
    }
    group_->button(static_cast<int>(services_.state.resolution()->mode.kind()))->setChecked(true);
}

void ModePicker::choose(DisplayMode::Kind kind) {
    if (kind == services_.state.resolution()->mode.kind()) return;
    services_.state.select(kind, Override::Lifetime::untilNextTransition());
    services_.guide.donate(TipEvent::modePicked);
    refresh();  // the resolver may show another kind than the one chosen
}

}  // namespace vesperine
