#include "Guide/Views/TipView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "Support/Views/Emphasis.h"
#include "Support/Views/Icons.h"

namespace vesperine {

namespace {

QString text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TipView::TipView(const Tip& tip, std::function<void()> onClose, QWidget* parent)
    : QFrame(parent), onClose_(std::move(onClose)) {
    setObjectName("tip:" + text(tip.id));
    setFrameShape(QFrame::StyledPanel);
    // Set apart from the page by the palette's own second background, light or dark.
    setBackgroundRole(QPalette::AlternateBase);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_LargeIconSize);
    icon->setPixmap(Icons::named(text(tip.icon)).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* title = new QLabel(Emphasis::html(text(tip.title)), this);
    title->setObjectName(QStringLiteral("tipTitle"));
    title->setTextFormat(Qt::RichText);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setWordWrap(true);
    auto* message = new QLabel(Emphasis::html(text(tip.message)), this);
    message->setObjectName(QStringLiteral("tipMessage"));
    message->setTextFormat(Qt::RichText);
    message->setWordWrap(true);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("closeTip"));
    close->setIcon(Icons::named(QStringLiteral("window-close")));
    close->setAutoRaise(true);
    close->setToolTip(tr("Close Tip"));
    close->setAccessibleName(tr("Close Tip"));
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        if (onClose_) onClose_();
    });

    auto* words = new QVBoxLayout;
    words->addWidget(title);
    words->addWidget(message);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(words, 1);
    layout->addWidget(close, 0, Qt::AlignTop);
    setAccessibleName(title->text());  // read out as the tip's title, then its contents
}

}  // namespace vesperine
