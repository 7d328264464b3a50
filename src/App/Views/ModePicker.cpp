#include "App/Views/ModePicker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QPushButton>

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
        auto* button = new QPushButton(ScheduleTexts::kindLabel(kind), this);
        button->setObjectName(QStringLiteral("mode:") + rawValue(kind));
        button->setCheckable(true);
        button->setAutoDefault(false);
        // Styles give push buttons a wide minimum; the four share the panel's width instead.
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) +
                                button->fontMetrics().averageCharWidth() * 2);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
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
    // The kind shown in bold too: some palettes draw a pressed button much like the others.
    for (QAbstractButton* button : group_->buttons()) {
        QFont font = button->font();
        font.setBold(button->isChecked());
        button->setFont(font);
    }
}

void ModePicker::choose(DisplayMode::Kind kind) {
    if (kind == services_.state.resolution()->mode.kind()) return;
    services_.state.select(kind, Override::Lifetime::untilNextTransition());
    services_.guide.donate(TipEvent::modePicked);
    refresh();  // the resolver may show another kind than the one chosen
}

}  // namespace vesperine
