#pragma once

#include <QPointer>
#include <QVBoxLayout>

#include "Guide/Guide.h"
#include "Guide/Views/TipView.h"

namespace vesperine {

// Where a page of the Schedule tab shows its tip: asked for once, when the page first shows
// (a page made but never seen costs the tip nothing). The tip goes when the user closes it
// (for good), when tips are switched off, or when the page calls `dismiss`.
class ScheduleTipSlot final : public QVBoxLayout {
    Q_OBJECT
public:
    ScheduleTipSlot(Guide& guide, ScheduleTip tip);

    // The page shows: the first time, asks the guide whether the tip may show here. True
    // when it now shows (the page then puts it in its focus order).
    bool pageShown(QWidget* page);
    // What the tip teaches was just done: the tip goes.
    void dismiss();
    TipView* view() const { return view_; }

private:
    Guide& guide_;
    ScheduleTip tip_;
    bool asked_ = false;
    QPointer<TipView> view_;
};

}  // namespace vesperine
