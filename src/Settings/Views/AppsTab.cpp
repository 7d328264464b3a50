#include "Settings/Views/AppsTab.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"

namespace vesperine {

namespace {

constexpr AppRule::Behavior behaviors[] = {AppRule::Behavior::pauseBoost,
                                           AppRule::Behavior::pauseAll};

QString behaviorLabel(AppRule::Behavior behavior) {
    return behavior == AppRule::Behavior::pauseBoost ? AppsTab::tr("Pause boost")
                                                     : AppsTab::tr("Pause everything");
}

}  // namespace

AppsTab::AppsTab(SettingsServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    const QString appName = QString::fromStdString(services.info.displayName);
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        tr("While one of these apps is in front, %1 pauses. Boost clips the highlights in HDR "
           "video and photos, so video and photo apps pause boost by default.")
            .arg(appName),
        this);
    explanation->setObjectName("appsExplanation");
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    if (!services.workspace.reportsFrontmost()) {
        auto* unseen = new QLabel(tr("This desktop does not tell other programs which app is in "
                                     "front, so these rules cannot apply here."),
                                  this);
        unseen->setObjectName("appsUnseen");
        unseen->setWordWrap(true);
        layout->addWidget(unseen);
    }

    auto* list = new QWidget(this);
    rows_ = new QVBoxLayout(list);
    rows_->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(tr("Add Running App"), this);
    add->setObjectName("addRunningApp");
    running_ = new QMenu(add);
    running_->setObjectName("runningApps");
    add->setMenu(running_);
    connect(running_, &QMenu::aboutToShow, this, &AppsTab::fillRunningMenu);
    choose_ = new QPushButton(tr("Choose App…"), this);
    choose_->setObjectName("chooseApp");
    connect(choose_, &QPushButton::clicked, this, &AppsTab::chooseApp);
    auto* restore = new QPushButton(tr("Restore Defaults"), this);
    restore->setObjectName("restoreAppDefaults");
    connect(restore, &QPushButton::clicked, this, [this] { services_.appRules.restoreDefaults(); });
    buttons->addWidget(add);
    buttons->addWidget(choose_);
    buttons->addStretch(1);
    buttons->addWidget(restore);
    layout->addLayout(buttons);
    chooseProblem_ = new QLabel(this);
    chooseProblem_->setObjectName("chooseProblem");
    chooseProblem_->setWordWrap(true);
    chooseProblem_->hide();
    layout->addWidget(chooseProblem_);

    auto* fullScreen = new QCheckBox(tr("Pause while a window is full screen"), this);
    fullScreen->setObjectName("pauseWhileFullScreen");
    connect(fullScreen, &QCheckBox::toggled, this,
            [this](bool on) { services_.appRules.setPauseWhileFullScreen(on); });
    watch(services_.appRules.pauseWhileFullScreen(), fullScreen, [this, fullScreen] {
        const QSignalBlocker quiet(fullScreen);
        fullScreen->setChecked(services_.appRules.pauseWhileFullScreen().get());
    });
    layout->addWidget(fullScreen);
    layout->addStretch(1);
    watch(services_.appRules.rules(), this, [this] { showRules(); });
}

void AppsTab::showRules() {
    const auto& rules = services_.appRules.rules().get();
    std::vector<std::string> ids;
    for (const auto& rule : rules) ids.push_back(rule.bundleID + '\n' + rule.name);
    if (ids == shownIds_) {
        // Only behaviours changed: update the pickers in place, so focus stays where it is.
        for (std::size_t i = 0; i < rules.size(); ++i) {
            auto* picker = rows_->itemAt(static_cast<int>(i))->widget()->findChild<QComboBox*>();
            const QSignalBlocker quiet(picker);
            picker->setCurrentIndex(rules[i].behavior == AppRule::Behavior::pauseBoost ? 0 : 1);
        }
        return;
    }
    shownIds_ = ids;
    Rows::clear(rows_);
    if (rules.empty()) {
        auto* none = new QLabel(tr("No apps pause %1.")
                                    .arg(QString::fromStdString(services_.info.displayName)),
                                rows_->parentWidget());
        none->setObjectName("noRules");
        rows_->addWidget(none);
    }
    for (const auto& rule : rules) {
        const QString id = QString::fromStdString(rule.bundleID);
        const QString name = QString::fromStdString(rule.name);
        auto* row = new QWidget(rows_->parentWidget());
        row->setObjectName("rule:" + id);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(name, row);
        label->setToolTip(id);
        auto* picker = new QComboBox(row);
        picker->setAccessibleName(tr("What to pause for %1").arg(name));
        for (auto behavior : behaviors) picker->addItem(behaviorLabel(behavior));
        picker->setCurrentIndex(rule.behavior == AppRule::Behavior::pauseBoost ? 0 : 1);
        connect(picker, &QComboBox::activated, this, [this, rule](int index) {
            if (index < 0 || index > 1) return;
            services_.appRules.set(behaviors[index], rule.bundleID, rule.name);
        });
        auto* remove = new QToolButton(row);
        remove->setIcon(Icons::named("edit-delete"));
        remove->setAccessibleName(tr("Remove %1").arg(name));
        remove->setToolTip(tr("Remove"));
        remove->setObjectName("remove");
        connect(remove, &QToolButton::clicked, this,
                [this, id = rule.bundleID] { services_.appRules.remove(id); });
        layout->addWidget(label, 1);
        layout->addWidget(picker);
        layout->addWidget(remove);
        rows_->addWidget(row);
    }
}

void AppsTab::fillRunningMenu() {
    running_->clear();
    const auto addable = services_.appRules.addable(services_.workspace.runningApplications());
    if (addable.empty()) {
        running_->addAction(tr("No other apps are running"))->setEnabled(false);
        return;
    }
    for (const auto& application : addable) {
        const QString name =
            QString::fromStdString(application.name.value_or(*application.bundleID));
        running_->addAction(name, this, [this, application] {
            services_.appRules.set(AppRule::Behavior::pauseAll, application);
        });
    }
}

void AppsTab::chooseApp() {
    auto* dialog = new QFileDialog(this, tr("Choose App"));
    dialog->setObjectName("chooseAppDialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(tr("Applications (*.desktop)"));
    for (const auto& folder : services_.applicationFolders) {
        if (QDir(QString::fromStdString(folder)).exists()) {
            dialog->setDirectory(QString::fromStdString(folder));
            break;
        }
    }
    choose_->setEnabled(false);  // one chooser at a time
    connect(dialog, &QFileDialog::fileSelected, this, &AppsTab::addDesktopFile);
    connect(dialog, &QObject::destroyed, choose_, [button = choose_] { button->setEnabled(true); });
    dialog->open();
}

void AppsTab::addDesktopFile(const QString& path) {
    const auto application = services_.readDesktopEntry
                                 ? services_.readDesktopEntry(path.toStdString())
                                 : std::nullopt;
    const bool usable = application && !application->id.empty();
    chooseProblem_->setText(
        usable ? QString()
               : tr("%1 is not an application's desktop entry.").arg(QFileInfo(path).fileName()));
    chooseProblem_->setVisible(!usable);
    if (!usable) return;
    services_.appRules.set(AppRule::Behavior::pauseAll, application->id,
                           application->name.empty() ? application->id : application->name);
}

}  // namespace vesperine
