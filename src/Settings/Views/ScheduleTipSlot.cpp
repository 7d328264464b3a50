#include "Settings/Views/ScheduleTipSlot.h"

#include "Support/Views/ObservableWatch.h"

namespace vesperine {

ScheduleTipSlot::ScheduleTipSlot(Guide& guide, ScheduleTip tip) : guide_(guide), tip_(tip) {
    setContentsMargins(0, 0, 0, 0);
}

bool ScheduleTipSlot::pageShown(QWidget* page) {
    if (asked_) return false;
    asked_ = true;
    const auto tip = guide_.showScheduleTip(tip_);
    if (!tip) return false;
    view_ = new TipView(*tip, [this] { guide_.close(tip_); }, page);
    addWidget(view_);
    view_->show();  // now, not on a later turn as a layout shows what it is given
    watch(guide_.enabled(), view_, [this] {
        if (!guide_.enabled().get()) dismiss();
    });
    return true;
}

void ScheduleTipSlot::dismiss() {
    if (view_) view_->hide();
}

}  // namespace vesperine
