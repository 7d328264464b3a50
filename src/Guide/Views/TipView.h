#pragma once

#include <QFrame>
#include <functional>

#include "Guide/Tip.h"

class QLabel;
class QToolButton;

namespace vesperine {

// One tip as a small card: its icon, title and message (bold where the text marks it) and a
// close button, which shows a focus ring when Tab reaches it. Closing hides the card and
// calls `onClose` (the guide then remembers it). Its object name is "tip:" + the tip's id
// ("tip:PreviewStepTip"). The tray panel's cards have small icons, the windows' large ones.
class TipView final : public QFrame {
    Q_OBJECT
public:
    enum class IconSize { small, large };

    // A card that shows nothing until `display`: made with the rest of its page, so that its
    // close button comes in the page's focus order where the card is drawn.
    TipView(IconSize iconSize, std::function<void()> onClose, QWidget* parent = nullptr);
    TipView(const Tip& tip, std::function<void()> onClose, QWidget* parent = nullptr);

    void display(const Tip& tip);
    QToolButton* closeButton() const { return close_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onClose_;
    int iconSize_;
    QLabel* icon_;
    QLabel* title_;
    QLabel* message_;
    QToolButton* close_;
};

}  // namespace vesperine
