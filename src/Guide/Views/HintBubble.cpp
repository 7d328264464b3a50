#include "Guide/Views/HintBubble.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "Support/Views/Icons.h"

namespace vesperine {

HintBubble::HintBubble(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
    setObjectName(QStringLiteral("menuBarHint"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Clear around the bubble where a compositor draws it so; the mask below cuts the window
    // to the bubble where none does.
    setAttribute(Qt::WA_TranslucentBackground);
    const int em = fontMetrics().height();
    shape_.arrowSize = em * 0.8;
    shape_.radius = em * 0.6;

    auto* title = new QLabel(tr("Vesperine lives here"), this);
    title->setObjectName(QStringLiteral("hintTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* text = new QLabel(tr("Click the icon any time to switch modes, adjust brightness or "
                               "warmth, or open Settings. Tips will point things out as you go."),
                            this);
    text->setObjectName(QStringLiteral("hintText"));
    text->setWordWrap(true);
    text->setFixedWidth(fontMetrics().averageCharWidth() * 42);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("hintClose"));
    close->setAccessibleName(tr("Close"));
    close->setToolTip(tr("Close"));
    close->setAutoRaise(true);
    close->setIcon(Icons::named(QStringLiteral("window-close")));
    connect(close, &QToolButton::clicked, this, [this] {
        if (onDone) onDone();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(title, 1);
    top->addWidget(close, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(text);
    pointAt(true, 0);
}

void HintBubble::pointAt(bool up, int x) {
    shape_.arrowUp = up;
    shape_.arrowX = x;
    const int margin = layout()->contentsMargins().left();
    const int arrow = static_cast<int>(shape_.arrowSize);
    layout()->setContentsMargins(margin, margin + (up ? arrow : 0), margin,
                                 margin + (up ? 0 : arrow));
    setMask(QRegion(shape_.path(rect()).toFillPolygon().toPolygon()));
    update();
}

void HintBubble::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawPath(shape_.path(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5)));
}

void HintBubble::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setMask(QRegion(shape_.path(rect()).toFillPolygon().toPolygon()));
}

}  // namespace vesperine
