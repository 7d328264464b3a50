#include "App/Views/PanelWindow.h"

#include <QVBoxLayout>

#include "App/Views/MenuPanel.h"

namespace vesperine {

PanelWindow::PanelWindow(MenuServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      trayNote_(new QLabel(this)),
      content_(new MenuContent(services, this)) {
    setObjectName(QStringLiteral("panelWindow"));
    setWindowTitle(QString::fromStdString(services.info.displayName));
    setAccessibleName(windowTitle());
    setFixedWidth(MenuPanel::panelWidth);
    trayNote_->setObjectName(QStringLiteral("trayNote"));
    trayNote_->setWordWrap(true);
    trayNote_->setText(
        tr("This desktop shows no tray icons. On GNOME, the AppIndicator extension puts "
           "%1's icon in the top bar; until then, open %1 from the applications to see "
           "this window.")
            .arg(windowTitle()));
    trayNote_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(trayNote_);
    layout->addWidget(content_);
    connect(content_, &MenuContent::settingsChosen, this, [this] {
        if (services_.openSettings) services_.openSettings();
    });
    connect(content_, &MenuContent::quitChosen, this, [this] {
        hide();
        if (services_.quit) services_.quit();
    });
}

void PanelWindow::open() {
    // Read before the opening counts as having found the menu.
    const bool firstTime = !services_.guide.hintShown().get();
    services_.guide.menuOpened();
    services_.conflicts.refresh();
    if (firstTime) {
        trayNote_->show();
        Log(services_.logger, "menu")
            .notice("No tray icon on this desktop: the panel opens as a window; on GNOME the "
                    "AppIndicator extension shows the icon");
    } else {
        trayNote_->hide();
    }
    show();
    raise();
    activateWindow();
    if (QWidget* start = content_->modePicker()->checkedButton()) start->setFocus(Qt::OtherFocusReason);
}

}  // namespace vesperine
