#include "Onboarding/Views/OnboardingPages.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "Settings/Views/LocationPicker.h"
#include "Support/Views/Emphasis.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"
#include "System/Views/ConflictList.h"

namespace vesperine::OnboardingPages {

namespace {

// The page with its title; the caller adds the rest to the returned layout.
QVBoxLayout* page(QWidget* page, const QString& title) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(page->fontMetrics().height() * 2 / 3);
    auto* heading = new QLabel(title, page);
    heading->setObjectName(QStringLiteral("stepTitle"));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    heading->setFont(font);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    return layout;
}

QLabel* paragraph(const QString& html, const QString& name, QWidget* parent) {
    auto* label = new QLabel(html, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    return label;
}

QString tr(const char* text) { return QCoreApplication::translate("Onboarding", text); }

}  // namespace

QWidget* welcome(const QString& appName, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = page(widget, tr("Welcome to %1").arg(appName));
    auto* icon = new QLabel(widget);
    const int size = 4 * widget->style()->pixelMetric(QStyle::PM_LargeIconSize);
    icon->setPixmap(Icons::app().pixmap(size, size));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    layout->addWidget(paragraph(
        Emphasis::html(tr("One app for your screen through the day: **Bright** boosts an HDR "
                          "display past its normal limit, **Warm** and **Red** cut blue light in "
                          "the evening, and a schedule switches between them for you.")),
        "introduction", widget));
    layout->addStretch(1);
    return widget;
}

QWidget* finding(const QString& appName, const DisplayPipeline& pipeline, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = page(widget, tr("Where to find it"));
    layout->addWidget(paragraph(
        tr("%1 lives in the system tray. Reset Display in its menu, or Ctrl+Alt+0, always puts "
           "the screen back to normal.")
            .arg(appName)
            .toHtmlEscaped(),
        "trayNote", widget));
    auto* capability = new QVBoxLayout;
    layout->addLayout(capability);
    layout->addStretch(1);
    watch(pipeline.displays(), widget, [&pipeline, capability, widget] {
        Rows::clear(capability);
        const bool canBoost = pipeline.anyDisplaySupportsBoost();
        capability->addWidget(Rows::iconLine(
            Icons::named(canBoost ? "emblem-ok" : "dialog-information"),
            canBoost ? tr("Your display can show Bright.")
                     : tr("Bright needs an HDR display, which this computer doesn't have. Warm, "
                          "Red and schedules all work."),
            "boostNote", widget));
    });
    return widget;
}

QWidget* location(AppState& state, Scheduler& scheduler, Locator* locator, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = page(widget, tr("Your location"));
    layout->addWidget(paragraph(
        tr("Schedules can follow sunrise and sunset. Pick a city or enter coordinates."),
        "locationNote", widget));
    auto* picker = new LocationPicker(state, scheduler, locator, widget);
    picker->layout()->setContentsMargins(0, 0, 0, 0);  // aligned with the page's text
    layout->addWidget(picker, 1);
    return widget;
}

QWidget* lastLook(ConflictDetector& conflicts, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = page(widget, tr("Schedules and other apps"));
    layout->addWidget(paragraph(tr("You can edit schedules or make your own later in Settings."),
                                "schedulesNote", widget));
    auto* others = new QLabel(tr("Other things adjusting your display"), widget);
    QFont bold = others->font();
    bold.setBold(true);
    others->setFont(bold);
    layout->addSpacing(widget->fontMetrics().height() / 2);
    layout->addWidget(others);
    layout->addWidget(new ConflictList(
        conflicts, tr("Nothing else is adjusting your display. You're all set."), false, widget));
    layout->addStretch(1);
    return widget;
}

}  // namespace vesperine::OnboardingPages
