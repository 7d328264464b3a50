#include "App/Views/MenuContent.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "App/Views/AppRuleControl.h"
#include "App/Views/OverrideStatus.h"
#include "App/Views/PanelText.h"
#include "App/Views/ScheduleLines.h"
#include "App/Views/StrengthControl.h"
#include "Guide/Views/TipSpot.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"
#include "Support/Views/SaveFailureLine.h"
#include "Support/Views/TextTone.h"
#include "System/Views/ConflictList.h"

namespace vesperine {

MenuContent::MenuContent(MenuServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(header());
    layout->addWidget(new ScheduleLines(services_, this));
    modePicker_ = new ModePicker(services_, this);
    layout->addWidget(modePicker_);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::modePicker, this));
    layout->addWidget(new StrengthControl(services_, this));
    layout->addWidget(new OverrideStatus(services_, this));
    layout->addWidget(limitation());
    layout->addWidget(new SaveFailureLine(services_.state.defaults(), this));
    layout->addWidget(new AppRuleControl(services_, this));
    layout->addWidget(conflicts());
    layout->addWidget(PanelText::divider(this));
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::reset, this));
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::shortcuts, this));
    layout->addWidget(buttons());
}

QWidget* MenuContent::header() {
    const auto [row, layout] = Rows::box(QBoxLayout::LeftToRight, this);
    auto* name = PanelText::label(QString::fromStdString(services_.info.displayName),
                                  QStringLiteral("appName"), row);
    PanelText::headline(name);
    auto* mode = new QLabel(row);
    mode->setObjectName(QStringLiteral("modeShown"));
    PanelText::secondary(mode);
    layout->addWidget(name, 1);
    layout->addWidget(mode);
    watch(services_.state.resolution(), mode, [this, mode] {
        mode->setText(ScheduleTexts::shortDescription(services_.state.resolution()->mode));
    });
    return row;
}

QWidget* MenuContent::limitation() {
    const auto [box, layout] = Rows::box(QBoxLayout::TopToBottom, this);
    auto* line = Rows::iconLine(Icons::named(QStringLiteral("dialog-warning")), {},
                                QStringLiteral("limitation"), box);
    QLabel* text = Rows::textOf(line);
    TextTone::warning(text);
    layout->addWidget(line);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::boostLimit, box));
    watch(services_.state.resolution(), box, [this, box, text] {
        const auto& limitation = services_.state.resolution()->limitation;
        text->setText(QString::fromStdString(limitation.value_or("")));
        box->setVisible(limitation.has_value());
    });
    return box;
}

QWidget* MenuContent::conflicts() {
    const auto [box, layout] = Rows::box(QBoxLayout::TopToBottom, this);
    box->setObjectName(QStringLiteral("conflicts"));
    layout->addWidget(PanelText::divider(box));
    layout->addWidget(new ConflictList(services_.conflicts, {}, true, box));
    watch(services_.conflicts.conflicts(), box,
          [this, box] { box->setVisible(!services_.conflicts.conflicts()->empty()); });
    return box;
}

QWidget* MenuContent::buttons() {
    // One row: the reset on its own at the left, the ways out of the panel at the right.
    const auto [box, layout] = Rows::box(QBoxLayout::LeftToRight, this);
    const auto add = [&](const QString& text, const char* name, const QKeySequence& keys) {
        auto* button = new QPushButton(text, box);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        if (!keys.isEmpty()) {
            button->setShortcut(keys);
            button->setToolTip(tr("%1 (%2)").arg(QString(text).remove(QStringLiteral("…")),
                                                 keys.toString(QKeySequence::NativeText)));
        }
        layout->addWidget(button);
        if (layout->count() == 1) layout->addStretch(1);
        return button;
    };
    connect(add(tr("Reset Display"), "resetDisplay", {}), &QPushButton::clicked, this, [this] {
        services_.state.resetDisplay();
        services_.guide.donate(TipEvent::displayReset);
    });
    connect(add(tr("Settings…"), "settings", QKeySequence(Qt::CTRL | Qt::Key_Comma)),
            &QPushButton::clicked, this, &MenuContent::settingsChosen);
    connect(add(tr("Quit"), "quit", QKeySequence(Qt::CTRL | Qt::Key_Q)), &QPushButton::clicked,
            this, &MenuContent::quitChosen);
    return box;
}

}  // namespace vesperine
