#include "App/Views/OverrideStatus.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "App/MenuRules.h"
#include "Guide/Views/TipSpot.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

namespace {

QString choiceLabel(LifetimeChoice choice) {
    switch (choice) {
        case LifetimeChoice::nextChange:
            return OverrideStatus::tr("Until next scheduled change");
        case LifetimeChoice::oneHour:
            return OverrideStatus::tr("For 1 hour");
        case LifetimeChoice::untilOff:
            return OverrideStatus::tr("Until I change it");
    }
    return {};
}

}  // namespace

OverrideStatus::OverrideStatus(MenuServices& services, QWidget* parent)
    : QWidget(parent), services_(services), keep_(new QComboBox(this)) {
    keep_->setObjectName(QStringLiteral("keep"));
    for (LifetimeChoice choice : allLifetimeChoices) {
        keep_->addItem(choiceLabel(choice), QString::fromLatin1(rawValue(choice)));
    }
    auto* resumeButton = new QPushButton(tr("Resume Schedule"), this);
    resumeButton->setObjectName(QStringLiteral("resumeSchedule"));
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Keep"), keep_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::keep, this));
    layout->addWidget(resumeButton, 0, Qt::AlignLeft);
    // Every choice counts, the one shown too: "For 1 hour" again means an hour from now.
    connect(keep_, &QComboBox::activated, this,
            [this](int index) { keep(allLifetimeChoices[index]); });
    connect(resumeButton, &QPushButton::clicked, this, [this] { resume(); });
    watch(services_.state.override(), this, [this] { refresh(); });
}

void OverrideStatus::refresh() {
    const auto& current = services_.state.override().get();
    setVisible(current.has_value());
    if (!current) return;
    const QSignalBlocker quiet(keep_);
    keep_->setCurrentIndex(static_cast<int>(MenuRules::keepChoice(current->lifetime)));
}

void OverrideStatus::keep(LifetimeChoice choice) {
    services_.state.setOverrideLifetime(lifetime(choice, services_.state.now()));
    services_.guide.donate(TipEvent::lifetimeChanged);
}

void OverrideStatus::resume() {
    services_.state.resume();
}

}  // namespace vesperine
