#include "Guide/Views/TipView.h"

#include <QEvent>
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

TipView::TipView(IconSize iconSize, std::function<void()> onClose, QWidget* parent)
    : QFrame(parent),
      onClose_(std::move(onClose)),
      iconSize_(style()->pixelMetric(iconSize == IconSize::small ? QStyle::PM_SmallIconSize
                                                                 : QStyle::PM_LargeIconSize)),
      icon_(new QLabel(this)),
      title_(new QLabel(this)),
      message_(new QLabel(this)),
      close_(new QToolButton(this)) {
    setFrameShape(QFrame::StyledPanel);
    // Set apart from the page by the palette's own second background, light or dark, so it
    // reads as an aside and not as one of the page's rows.
    setBackgroundRole(QPalette::AlternateBase);
    setAutoFillBackground(true);

    icon_->setAlignment(Qt::AlignTop);
    title_->setObjectName(QStringLiteral("tipTitle"));
    title_->setTextFormat(Qt::RichText);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setWordWrap(true);
    message_->setObjectName(QStringLiteral("tipMessage"));
    message_->setTextFormat(Qt::RichText);
    message_->setWordWrap(true);

    close_->setObjectName(QStringLiteral("closeTip"));
    const QIcon closeIcon = Icons::named(QStringLiteral("window-close"));
    if (closeIcon.isNull()) {
        close_->setText(QStringLiteral("\u2715"));
    } else {
        close_->setIcon(closeIcon);
    }
    close_->setToolTip(tr("Close Tip"));
    close_->setAccessibleName(tr("Close Tip"));
    close_->setFocusPolicy(Qt::StrongFocus);
    // A flat button draws its focus ring under its icon, where it cannot be seen: while it
    // has the focus it is drawn as a button, whose frame shows the focus.
    close_->setAutoRaise(true);
    close_->installEventFilter(this);
    connect(close_, &QToolButton::clicked, this, [this] {
        hide();
        if (onClose_) onClose_();
    });

    auto* words = new QVBoxLayout;
    words->addWidget(title_);
    words->addWidget(message_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon_, 0, Qt::AlignTop);
    layout->addLayout(words, 1);
    layout->addWidget(close_, 0, Qt::AlignTop);
}

TipView::TipView(const Tip& tip, std::function<void()> onClose, QWidget* parent)
    : TipView(IconSize::large, std::move(onClose), parent) {
    display(tip);
}

void TipView::display(const Tip& tip) {
    setObjectName("tip:" + text(tip.id));
    const QIcon icon = Icons::named(text(tip.icon));
    icon_->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(iconSize_, iconSize_));
    icon_->setVisible(!icon.isNull());
    title_->setText(Emphasis::html(text(tip.title)));
    message_->setText(Emphasis::html(text(tip.message)));
    setAccessibleName(text(tip.title));  // read out as the tip's title, then its contents
}

bool TipView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == close_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        close_->setAutoRaise(event->type() == QEvent::FocusOut);
    return QFrame::eventFilter(watched, event);
}

}  // namespace vesperine
