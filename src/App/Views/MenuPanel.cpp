#include "App/Views/MenuPanel.h"

#include <QtGui/qevent.h>
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "App/PopupPlacement.h"

namespace vesperine {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A window shown is mapped by the compositor a moment later: asked before that, sway finds
// no window to move. Asking again every 25 ms for a quarter of a second covers a busy one.
constexpr int placeTries = 10;
constexpr std::chrono::milliseconds placeAgainAfter{25};

PopupPlacement::Rect toRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

MenuPanel::MenuPanel(MenuServices& services, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint),
      services_(services),
      log_(services.logger, "menu"),
      content_(new MenuContent(services, this)) {
    setObjectName(QStringLiteral("menuPanel"));
    setWindowTitle(QString::fromStdString(services.info.displayName));
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(panelWidth);
    // A click on the tray icon while the panel is open only closes it: the press that
    // closes a popup is not handed on to the icon, which would open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content_);
    connect(content_, &MenuContent::settingsChosen, this, [this] {
        hide();
        if (services_.openSettings) services_.openSettings();
    });
    connect(content_, &MenuContent::quitChosen, this, [this] {
        hide();
        if (services_.quit) services_.quit();
    });
    qApp->installEventFilter(this);
}

MenuPanel::~MenuPanel() {
    qApp->removeEventFilter(this);
}

void MenuPanel::popUp(std::optional<QRect> icon) {
    if (isVisible()) return;
    asked_ = SteadyClock::now();
    // Told first, so the tip and the conflicts it brings are in place when the panel is sized.
    services_.guide.menuOpened();
    services_.conflicts.refresh();
    opened_ = asked_;
    placeRequests_ = 0;
    anchorKnown_ = icon.has_value();
    anchor_ = icon.value_or(QRect(QCursor::pos(), QSize(0, 0)));
    fit();
    show();
    raise();
    activateWindow();
    // The keyboard starts on the mode shown: the arrow keys then pick another.
    if (QWidget* start = content_->modePicker()->checkedButton())
        start->setFocus(Qt::PopupFocusReason);
}

std::optional<std::chrono::milliseconds> MenuPanel::closedFor() const {
    if (isVisible() || !closed_) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - *closed_);
}

void MenuPanel::fit() {
    ensurePolished();
    const int height = heightForWidth(panelWidth);
    setFixedHeight(height > 0 ? height : sizeHint().height());
    const QPoint centre = anchor_.center();
    const QScreen* screen = QGuiApplication::screenAt(centre);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const auto placement = PopupPlacement::place(width(), this->height(), toRect(anchor_),
                                                 toRect(screen->availableGeometry()), 4);
    placed_ = QPoint(placement.x, placement.y);
    move(placed_);
    // Grown or shrunk while open: the compositor keeps the top left corner, the rule may not.
    // (At the pointer it stays where it opened: the pointer may be over it by now.)
    if (isVisible() && !asked_ && anchorKnown_) placeShown(1);
}

void MenuPanel::placeShown(int triesLeft) {
    if (!services_.placeShown || !isVisible() || triesLeft <= 0) return;
    std::optional<std::pair<int, int>> at;
    if (anchorKnown_) at = std::pair(placed_.x(), placed_.y());
    ++placeRequests_;
    if (services_.placeShown(windowTitle().toStdString(), at)) {
        if (opened_) {
            const std::chrono::duration<double, std::milli> took = SteadyClock::now() - *opened_;
            log_.info("The compositor placed the panel %.1f ms after it was asked for (%d %s)",
                      took.count(), placeRequests_, placeRequests_ == 1 ? "request" : "requests");
            opened_.reset();
        }
        return;
    }
    if (triesLeft == 1) {
        log_.info("The compositor did not move the panel beside the icon");
        return;
    }
    QTimer::singleShot(placeAgainAfter, this, [this, triesLeft] { placeShown(triesLeft - 1); });
}

bool MenuPanel::event(QEvent* event) {
    const bool handled = QFrame::event(event);
    // A row that appears or goes while the panel is open: it grows or shrinks in place.
    if (event->type() == QEvent::LayoutRequest && isVisible()) fit();
    return handled;
}

bool MenuPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationStateChange && isVisible() &&
        static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
            Qt::ApplicationActive) {
        hide();  // another program took the focus
    }
    return QFrame::eventFilter(watched, event);
}

void MenuPanel::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    closed_.reset();
}

void MenuPanel::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    closed_ = SteadyClock::now();
}

void MenuPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (asked_) {
        const std::chrono::duration<double, std::milli> took = SteadyClock::now() - *asked_;
        asked_.reset();
        log_.info("Opened the panel in %.1f ms", took.count());
        // Painted: the compositor maps the window as this frame arrives.
        QTimer::singleShot(0, this, [this] { placeShown(placeTries); });
    }
}

}  // namespace vesperine
