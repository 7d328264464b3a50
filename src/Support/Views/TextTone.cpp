#include "Support/Views/TextTone.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "Support/Contrast.h"

namespace vesperine::TextTone {

namespace {

// The hue of warnings. No palette of Qt's has a role for it, so it is ours: an amber that
// desktops use for "something to know", darkened on light backgrounds by `readable`.
constexpr Contrast::Rgb warningAmber{0xE5, 0xA5, 0x0A};

Contrast::Rgb rgb(const QColor& colour) {
    const QColor c = colour.toRgb();
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

QColor colour(Contrast::Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

// What a colour that lets the background through (a palette's hint colour is often the text
// colour at half opacity) looks like on that background.
Contrast::Rgb seenOn(const QColor& colour, const Contrast::Rgb& background) {
    return Contrast::mix(background, rgb(colour), colour.alphaF());
}

QColor readable(const QColor& wanted, const QPalette& palette, const QColor& background) {
    const Contrast::Rgb behind = rgb(background);
    return colour(Contrast::readable(seenOn(wanted, behind), behind,
                                     seenOn(palette.color(QPalette::WindowText), behind)));
}

enum class Tone { secondary, warning, placeholder };

// Keeps one widget's text colour right for the palette it inherits.
class Keeper final : public QObject {
public:
    Keeper(QWidget* widget, Tone tone) : QObject(widget), widget_(widget), tone_(tone) {
        widget->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ &&
            (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)) {
            apply();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // What the widget would have without our colour: its parent's palette, or the
    // application's for a window.
    QPalette inherited() const {
        const QWidget* parent = widget_->isWindow() ? nullptr : widget_->parentWidget();
        return parent ? parent->palette() : QApplication::palette(widget_);
    }

    // The colour the text stands on: that of the nearest widget, itself or above, that
    // fills its background, else the window's.
    QColor background(const QPalette& palette) const {
        for (const QWidget* w = widget_->isWindow() ? nullptr : widget_->parentWidget(); w;
             w = w->isWindow() ? nullptr : w->parentWidget()) {
            if ((w->autoFillBackground() || w->isWindow()) && w->backgroundRole() != QPalette::NoRole)
                return w->palette().color(w->backgroundRole());
        }
        return palette.color(QPalette::Window);
    }

    void apply() {
        const QPalette from = inherited();
        // A field's hint stands on the field itself.
        const QColor behind =
            tone_ == Tone::placeholder ? from.color(QPalette::Base) : background(from);
        const QColor shown = tone_ == Tone::warning ? warningColour(from, behind)
                                                    : secondaryColour(from, behind);
        if (shown == shown_) return;  // setting it again would only come back here
        shown_ = shown;
        QPalette own;
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            if (tone_ == Tone::placeholder) {
                own.setColor(group, QPalette::PlaceholderText, shown);
            } else {
                own.setColor(group, QPalette::WindowText, shown);
                own.setColor(group, QPalette::Text, shown);
            }
        }
        if (tone_ != Tone::placeholder) widget_->setForegroundRole(QPalette::WindowText);
        widget_->setPalette(own);
    }

    QWidget* widget_;
    Tone tone_;
    QColor shown_;
};

}  // namespace

QColor secondaryColour(const QPalette& palette, const QColor& background) {
    return readable(palette.color(QPalette::PlaceholderText), palette, background);
}

QColor warningColour(const QPalette& palette, const QColor& background) {
    return readable(colour(warningAmber), palette, background);
}

void secondary(QWidget* widget) { new Keeper(widget, Tone::secondary); }

void warning(QWidget* widget) { new Keeper(widget, Tone::warning); }

void placeholder(QWidget* field) { new Keeper(field, Tone::placeholder); }

}  // namespace vesperine::TextTone
