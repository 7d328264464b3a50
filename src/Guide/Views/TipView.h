#pragma once

#include <QFrame>
#include <functional>

#include "Guide/Tip.h"

namespace vesperine {

// One tip as a small card: its icon, title and message (bold where the text marks it) and a
// close button. Closing hides the card and calls `onClose` (the guide then remembers it).
// Its object name is "tip:" + the tip's id ("tip:PreviewStepTip").
class TipView final : public QFrame {
    Q_OBJECT
public:
    TipView(const Tip& tip, std::function<void()> onClose, QWidget* parent = nullptr);

private:
    std::function<void()> onClose_;
};

}  // namespace vesperine
