#include "Guide/Views/TipSpot.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

TipSpot::TipSpot(Guide& guide, MenuSpot spot, QWidget* parent)
    : QWidget(parent), guide_(guide), spot_(spot) {
    setObjectName(QStringLiteral("tip:") + rawValue(spot));
    setAccessibleName(tr("Tip"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    watch(guide_.menuSpot(), this, [this] { refresh(); });
}

QString TipSpot::richText(std::string_view message) {
    QString text;
    bool bold = false;
    std::size_t from = 0;
    for (;;) {
        const auto mark = message.find("**", from);
        const auto part = message.substr(from, mark == std::string_view::npos ? mark : mark - from);
        text += QString::fromUtf8(part.data(), qsizetype(part.size())).toHtmlEscaped();
        if (mark == std::string_view::npos) break;
        text += bold ? QStringLiteral("</b>") : QStringLiteral("<b>");
        bold = !bold;
        from = mark + 2;
    }
    if (bold) text += QStringLiteral("</b>");
    return text;
}

void TipSpot::refresh() {
    const auto tip = guide_.tip(spot_);
    if (!tip) {
        hide();
        return;
    }
    if (!title_) build();
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    const QIcon icon =
        Icons::named(QString::fromUtf8(tip->icon.data(), qsizetype(tip->icon.size())));
    icon_->setPixmap(icon.pixmap(size, size));
    icon_->setVisible(!icon.isNull());
    title_->setText(QString::fromUtf8(tip->title.data(), qsizetype(tip->title.size())));
    message_->setText(richText(tip->message));
    show();
}

void TipSpot::build() {
    // A framed card, so the tip reads as an aside and not as one of the menu's rows.
    auto* card = new QFrame(this);
    card->setFrameShape(QFrame::StyledPanel);
    card->setAutoFillBackground(true);
    card->setBackgroundRole(QPalette::AlternateBase);
    auto* row = new QHBoxLayout(card);
    icon_ = new QLabel(card);
    icon_->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    title_ = new QLabel(card);
    title_->setObjectName(QStringLiteral("tipTitle"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setWordWrap(true);
    message_ = new QLabel(card);
    message_->setObjectName(QStringLiteral("tipMessage"));
    message_->setTextFormat(Qt::RichText);
    message_->setWordWrap(true);
    texts->addWidget(title_);
    texts->addWidget(message_);
    auto* close = new QToolButton(card);
    close->setObjectName(QStringLiteral("tipClose"));
    close->setAccessibleName(tr("Close Tip"));
    close->setToolTip(tr("Close Tip"));
    close->setAutoRaise(true);
    const QIcon closeIcon = Icons::named(QStringLiteral("window-close"));
    if (closeIcon.isNull()) {
        close->setText(QStringLiteral("\u2715"));
    } else {
        close->setIcon(closeIcon);
    }
    connect(close, &QToolButton::clicked, this, [this] { guide_.close(spot_); });
    row->addWidget(icon_);
    row->addLayout(texts, 1);
    row->addWidget(close, 0, Qt::AlignTop);
    layout()->addWidget(card);
}

}  // namespace vesperine
