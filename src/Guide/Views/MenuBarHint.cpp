#include "Guide/Views/MenuBarHint.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>

#include "App/PopupPlacement.h"

namespace vesperine {

namespace {

constexpr int fadeMilliseconds = 200;

PopupPlacement::Rect toRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

void fade(QWidget* window, double from, double to, std::function<void()> done = {}) {
    auto* animation = new QPropertyAnimation(window, "windowOpacity", window);
    animation->setDuration(fadeMilliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    if (done) QObject::connect(animation, &QPropertyAnimation::finished, window, std::move(done));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace

MenuBarHint::MenuBarHint(Guide& guide, Scheduler& scheduler,
                         std::function<std::optional<QRect>()> iconGeometry, QObject* parent)
    : QObject(parent),
      guide_(guide),
      scheduler_(scheduler),
      iconGeometry_(std::move(iconGeometry)) {
    // The panel opened (or the hint was marked elsewhere): the bubble has done its job.
    shownWatch_ = guide_.hintShown().observe(alive_.guard([this](bool shown) {
        if (shown) dismiss(false);
    }));
}

MenuBarHint::~MenuBarHint() {
    delete bubble_.data();
}

void MenuBarHint::show() {
    if (bubble_ || guide_.hintShown().get()) return;
    const auto icon = iconGeometry_ ? iconGeometry_() : std::nullopt;
    if (!icon) return;
    bubble_ = new HintBubble;
    bubble_->onDone = [this] { dismiss(true); };
    bubble_->adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(icon->center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(), bubble_->size());
    const auto placement =
        PopupPlacement::place(bubble_->width(), bubble_->height(), toRect(*icon), toRect(area), 2);
    bubble_->pointAt(placement.below, placement.arrowX);
    bubble_->move(placement.x, placement.y);
    bubble_->setWindowOpacity(0);
    bubble_->show();
    fade(bubble_, 0, 1);
    timeout_ = scheduler_.oneShot(timeout, alive_.guard([this] { dismiss(true); }));
}

void MenuBarHint::dismiss(bool markShown) {
    timeout_.cancel();
    HintBubble* going = bubble_;
    bubble_.clear();  // before the guide hears of it, which calls back here
    if (markShown) guide_.markHintShown();
    if (!going) return;
    going->onDone = nullptr;
    fade(going, going->windowOpacity(), 0, [going] {
        going->close();
        going->deleteLater();
    });
}

}  // namespace vesperine
