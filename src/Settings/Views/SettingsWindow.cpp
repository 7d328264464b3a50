#include "Settings/Views/SettingsWindow.h"

#include <QCloseEvent>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <functional>

#include "Settings/Views/AppsTab.h"
#include "Settings/Views/GeneralTab.h"
#include "Settings/Views/LocationPicker.h"
#include "Settings/Views/PowerTab.h"
#include "Settings/Views/ShortcutsTab.h"
#include "Settings/Views/ScheduleTab.h"
#include "Support/Views/Icons.h"
#include "Support/Views/SaveFailureLine.h"

namespace vesperine {

namespace {

// A tab's content scrolls when the screen is too small for it (large fonts, tiny screens).
QScrollArea* scrolling(QWidget* content, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

}  // namespace

SettingsWindow::SettingsWindow(SettingsServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("settingsWindow");
    setWindowTitle(tr("%1 Settings").arg(QString::fromStdString(services.info.displayName)));
    setWindowIcon(Icons::app());
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("settingsTabs");
    tabs_->setDocumentMode(true);

    struct Tab {
        std::function<QWidget*()> make;
        QString title;
        const char* icon;  // freedesktop name
        const char* name;
    };
    SettingsServices& s = services_;
    const Tab tabs[] = {
        {[&] { return new GeneralTab(s); }, tr("General"), "preferences-system", "general"},
        {[&] { return schedule_ = new ScheduleTab(s.state, s.guide); }, tr("Schedule"),
         "preferences-system-time", "schedule"},
        {[&] { return new LocationPicker(s.state, s.scheduler, s.locator); }, tr("Location"),
         "find-location", "location"},
        {[&] { return new AppsTab(s); }, tr("Apps"), "applications-other", "apps"},
        {[&] { return new PowerTab(s); }, tr("Power"), "battery-good", "power"},
        {[&] { return new ShortcutsTab(s); }, tr("Shortcuts"),
         "preferences-desktop-keyboard-shortcuts", "shortcuts"},
    };
    for (const Tab& tab : tabs) {
        QWidget* content = tab.make();
        content->setObjectName(tab.name);
        const int index = tabs_->addTab(scrolling(content, tabs_), Icons::named(tab.icon), tab.title);
        tabs_->setTabToolTip(index, tab.title);
        if (content == schedule_) scheduleIndex_ = index;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);
    // Under every tab: whichever tab's change could not be saved, it is still in use.
    auto* failure = new SaveFailureLine(services.defaults, this);
    const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    failure->setContentsMargins(margin, 0, margin, margin);
    layout->addWidget(failure);
    // Ctrl+W, as desktops close a settings window from the keyboard.
    auto* closing = new QShortcut(QKeySequence::Close, this);
    connect(closing, &QShortcut::activated, this, &QWidget::close);
    fitScreen();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // Edits of a schedule are not thrown away by closing the window: the editor asks first,
    // and the window closes when asked again.
    if (schedule_ && schedule_->hasUnsavedChanges()) {
        event->ignore();
        tabs_->setCurrentIndex(scheduleIndex_);
        schedule_->leaveEditor();
        return;
    }
    QWidget::closeEvent(event);
}

void SettingsWindow::fitScreen() {
    const QSize bar = tabs_->tabBar()->sizeHint();
    QSize wanted(std::max(contentWidth, bar.width()), contentHeight + bar.height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Leave room for the window's frame on a screen smaller than the window.
        const QSize room = screen->availableGeometry().size() - QSize(40, 60);
        wanted = wanted.boundedTo(room.expandedTo(QSize(240, 200)));
    }
    resize(wanted);
}

}  // namespace vesperine
