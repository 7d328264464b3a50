#pragma once

#include <QWidget>

#include "Guide/Guide.h"

namespace vesperine {

class TipView;

// The place in the menu where the tip of one spot shows: hidden until the guide chooses this
// spot, then the tip's card (TipView) with a button that closes it for good. Named
// "tip:<spot>" ("tip:modePicker"). The card is made with the spot, so Tab reaches its close
// button where the card is drawn in the panel.
class TipSpot final : public QWidget {
    Q_OBJECT
public:
    TipSpot(Guide& guide, MenuSpot spot, QWidget* parent = nullptr);

private:
    void refresh();

    Guide& guide_;
    MenuSpot spot_;
    TipView* card_;
};

}  // namespace vesperine
