#include "Guide/Views/TipSpot.h"

#include <QVBoxLayout>

#include "Guide/Views/TipView.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

TipSpot::TipSpot(Guide& guide, MenuSpot spot, QWidget* parent)
    : QWidget(parent),
      guide_(guide),
      spot_(spot),
      card_(new TipView(TipView::IconSize::small, [this] { guide_.close(spot_); }, this)) {
    setObjectName(QStringLiteral("tip:") + rawValue(spot));
    setAccessibleName(tr("Tip"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(card_);
    watch(guide_.menuSpot(), this, [this] { refresh(); });
}

void TipSpot::refresh() {
    const auto tip = guide_.tip(spot_);
    if (tip) card_->display(*tip);
    // The guide moves the tip on when it is closed; the card stays for the next one.
    card_->setVisible(tip.has_value());
    setVisible(tip.has_value());
}

}  // namespace vesperine
