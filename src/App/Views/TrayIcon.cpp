#include "App/Views/TrayIcon.h"

#include "App/MenuRules.h"
#include "App/Views/TrayActivation.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

namespace {

// A click on the icon that closed the panel (the press went to the open panel) reaches the
// icon on trays that report it anyway: one this soon after closing does not reopen it.
constexpr std::chrono::milliseconds reopenAfter{250};

}  // namespace

TrayIcon::TrayIcon(MenuServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      log_(services_.logger, "menu"),
      menu_(std::make_unique<QMenu>()),
      hint_(services_.guide, services_.scheduler, [this] { return iconGeometry(); }) {
    menu_->setObjectName(QStringLiteral("trayMenu"));
    connect(menu_->addAction(tr("Reset Display")), &QAction::triggered, this, [this] {
        services_.state.resetDisplay();
        services_.guide.donate(TipEvent::displayReset);
    });
    connect(menu_->addAction(tr("Settings…")), &QAction::triggered, this, [this] {
        if (services_.openSettings) services_.openSettings();
    });
    menu_->addSeparator();
    connect(menu_->addAction(tr("Quit")), &QAction::triggered, this, [this] {
        if (services_.quit) services_.quit();
    });
    icon_.setContextMenu(menu_.get());
    TrayActivation::listen();
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) togglePanel();
            });
    watch(services_.state.resolution(), this,
          [this] { showKind(services_.state.resolution()->mode.kind()); });
    icon_.show();
    if (!isAvailable()) {
        log_.notice(
            "No system tray here: the icon shows once one starts; until then a launch "
            "opens the panel as a window");
    }
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::openPanel() {
    panel().popUp(anchor());
}

void TrayIcon::togglePanel() {
    MenuPanel& opened = panel();
    if (opened.isVisible()) {
        opened.hide();
        return;
    }
    const auto at = anchor();  // taken now: the host's point belongs to this activation only
    if (auto closed = opened.closedFor(); closed && *closed < reopenAfter) return;
    opened.popUp(at);
}

MenuPanel& TrayIcon::panel() {
    if (!panel_) panel_ = std::make_unique<MenuPanel>(services_);
    return *panel_;
}

void TrayIcon::openWindow() {
    window().open();
}

PanelWindow& TrayIcon::window() {
    if (!window_) window_ = std::make_unique<PanelWindow>(services_);
    return *window_;
}

std::optional<QRect> TrayIcon::iconGeometry() const {
    const QRect geometry = icon_.geometry();
    if (!geometry.isValid() || geometry.isEmpty()) return std::nullopt;
    return geometry;
}

std::optional<QRect> TrayIcon::anchor() const {
    const auto activated = TrayActivation::take();
    if (auto geometry = iconGeometry()) return geometry;
    if (activated) return QRect(*activated, QSize(0, 0));
    return std::nullopt;
}

void TrayIcon::showKind(DisplayMode::Kind kind) {
    auto found = icons_.find(kind);
    if (found == icons_.end()) {
        found =
            icons_.emplace(kind, Icons::named(QString::fromLatin1(MenuRules::trayIconName(kind))))
                .first;
    }
    icon_.setIcon(found->second);
    icon_.setToolTip(
        tr("%1: %2").arg(QString::fromStdString(services_.info.displayName),
                         ScheduleTexts::shortDescription(services_.state.resolution()->mode)));
}

}  // namespace vesperine
