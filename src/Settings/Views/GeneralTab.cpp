#include "Settings/Views/GeneralTab.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QMessageBox>
#include <QSignalBlocker>

#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"
#include "Support/Views/TextTone.h"
#include "System/Views/ConflictList.h"

namespace vesperine {

namespace {

QGroupBox* section(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    new QVBoxLayout(box);
    return box;
}

QLabel* wrapped(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

}  // namespace

GeneralTab::GeneralTab(SettingsServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      launchAtLogin_(services.loginItem),
      appName_(QString::fromStdString(services.info.displayName)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(loginSection());
    layout->addWidget(conflictSection());
    layout->addWidget(tipsSection());
    layout->addWidget(updatesSection());
    layout->addWidget(aboutSection());
    if (services_.showOnboarding) {
        auto* setup = new QPushButton(tr("Run Setup Again…"), this);
        setup->setObjectName("runSetupAgain");
        connect(setup, &QPushButton::clicked, this, [this] { services_.showOnboarding(); });
        layout->addWidget(setup, 0, Qt::AlignLeft);
    }
    layout->addStretch(1);
}

QWidget* GeneralTab::loginSection() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    loginSwitch_ = new QCheckBox(tr("Open %1 at login").arg(appName_), box);
    loginSwitch_->setObjectName("openAtLogin");
    loginError_ = wrapped({}, "loginError", box);
    layout->addWidget(loginSwitch_);
    layout->addWidget(loginError_);
    connect(loginSwitch_, &QCheckBox::toggled, this, [this](bool on) {
        launchAtLogin_.set(on);
        showLoginItem();  // what the system did, which may not be what was asked
    });
    showLoginItem();
    return box;
}

void GeneralTab::showLoginItem() {
    const QSignalBlocker quiet(loginSwitch_);
    loginSwitch_->setChecked(launchAtLogin_.isOn());
    const auto& error = launchAtLogin_.error();
    // The core words it "Couldn't change login item: <why>"; the reason is the system's.
    const std::string prefix = "Couldn't change login item: ";
    loginError_->setText(error ? tr("Couldn't change login item: %1")
                                     .arg(QString::fromStdString(error->substr(
                                         error->starts_with(prefix) ? prefix.size() : 0)))
                               : QString());
    loginError_->setVisible(error.has_value());
}

QWidget* GeneralTab::conflictSection() {
    auto* box = section(tr("Other things adjusting your display"), this);
    box->layout()->addWidget(new ConflictList(services_.conflicts, tr("None found."), false, box));
    auto* unavailable = new QWidget(box);
    unavailable_ = new QVBoxLayout(unavailable);
    unavailable_->setContentsMargins(0, 0, 0, 0);
    box->layout()->addWidget(unavailable);
    auto* check = new QPushButton(tr("Check Again"), box);
    check->setObjectName("checkAgain");
    connect(check, &QPushButton::clicked, this, [this] { services_.conflicts.refresh(); });
    box->layout()->addWidget(check);
    box->layout()->setAlignment(check, Qt::AlignLeft);
    watch(services_.conflicts.unavailable(), this, [this] { showUnavailable(); });
    return box;
}

void GeneralTab::showUnavailable() {
    Rows::clear(unavailable_);
    for (const auto& feature : services_.conflicts.unavailable().get()) {
        auto* line = Rows::iconLine(
            Icons::named("dialog-information"),
            tr("%1 can't be checked on this desktop.").arg(QString::fromStdString(feature)),
            "unavailable", unavailable_->parentWidget());
        TextTone::secondary(line);
        unavailable_->addWidget(line);
    }
}

QWidget* GeneralTab::tipsSection() {
    auto* box = section(tr("Tips"), this);
    auto* show = new QCheckBox(tr("Show tips as you use %1").arg(appName_), box);
    show->setObjectName("showTips");
    connect(show, &QCheckBox::toggled, this, [this](bool on) { services_.guide.setEnabled(on); });
    watch(services_.guide.enabled(), show, [this, show] {
        const QSignalBlocker quiet(show);
        show->setChecked(services_.guide.enabled().get());
    });
    auto* again = new QPushButton(tr("Show Tips Again"), box);
    again->setObjectName("showTipsAgain");
    connect(again, &QPushButton::clicked, this, [this] {
        services_.defaults.set(Guide::resetOnLaunchKey, true);
        showWillReset(true);
    });
    willResetText_ = wrapped(tr("Tips start over next time %1 opens.").arg(appName_), "willReset",
                             box);
    relaunch_ = new QPushButton(tr("Relaunch Now"), box);
    relaunch_->setObjectName("relaunchNow");
    connect(relaunch_, &QPushButton::clicked, this, [this] { services_.relaunch.now(); });
    for (QWidget* widget : {static_cast<QWidget*>(show), static_cast<QWidget*>(again),
                            static_cast<QWidget*>(willResetText_), static_cast<QWidget*>(relaunch_)}) {
        box->layout()->addWidget(widget);
    }
    box->layout()->setAlignment(again, Qt::AlignLeft);
    box->layout()->setAlignment(relaunch_, Qt::AlignLeft);
    // Asked for earlier in this run (the window was closed since): still true.
    showWillReset(services_.defaults.boolean(Guide::resetOnLaunchKey));
    return box;
}

void GeneralTab::showWillReset(bool willReset) {
    willResetText_->setVisible(willReset);
    relaunch_->setVisible(willReset);
}

QWidget* GeneralTab::updatesSection() {
    auto* box = section(tr("Updates"), this);
    if (services_.updater.controller()) {
        auto* automatic = new QCheckBox(tr("Check for updates automatically"), box);
        automatic->setObjectName("checkAutomatically");
        automatic->setChecked(services_.updater.checksAutomatically());
        connect(automatic, &QCheckBox::toggled, this, [this, automatic](bool on) {
            services_.updater.setChecksAutomatically(on);
            const QSignalBlocker quiet(automatic);
            automatic->setChecked(services_.updater.checksAutomatically());
        });
        auto* check = new QPushButton(tr("Check for Updates…"), box);
        check->setObjectName("checkForUpdates");
        connect(check, &QPushButton::clicked, this, [this] { services_.updater.checkForUpdates(); });
        box->layout()->addWidget(automatic);
        box->layout()->addWidget(check);
        box->layout()->setAlignment(check, Qt::AlignLeft);
    } else {
        box->layout()->addWidget(wrapped(
            tr("This build doesn't check for updates. New versions are sent directly."),
            "noUpdates", box));
    }
    return box;
}

QWidget* GeneralTab::aboutSection() {
    auto* box = new QGroupBox(tr("About"), this);
    auto* form = new QFormLayout(box);
    auto* version = new QLabel(tr("%1 (%2)").arg(QString::fromStdString(services_.info.version),
                                                 QString::fromStdString(services_.info.build)),
                               box);
    version->setObjectName("version");
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(tr("Version"), version);
    auto* about = new QPushButton(tr("About %1").arg(appName_), box);
    about->setObjectName("about");
    connect(about, &QPushButton::clicked, this, [this] { showAbout(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(about);
    buttonRow->addStretch(1);
    form->addRow(buttonRow);
    return box;
}

void GeneralTab::showAbout() {
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName("aboutBox");
    box->setWindowTitle(tr("About %1").arg(appName_));
    box->setIconPixmap(Icons::app().pixmap(64, 64));
    box->setText(QString("<b>%1</b> %2").arg(appName_.toHtmlEscaped(),
                                             QString::fromStdString(services_.info.version)));
    box->setInformativeText(
        tr("Bright by day, warm by night.") + "\n" +
        tr("It collects nothing and never uses the network: your location and settings stay "
           "on this computer."));
    box->open();
}

}  // namespace vesperine
