#pragma once

#include <QWidget>
#include <functional>

#include "Guide/Views/BubbleShape.h"

namespace vesperine {

// The hint that points at the tray icon: a borderless window shaped like a speech bubble,
// "Vesperine lives here" and what the icon is for, with a close button. It takes no focus
// and shows over other windows on every workspace.
class HintBubble final : public QWidget {
    Q_OBJECT
public:
    explicit HintBubble(QWidget* parent = nullptr);

    // Points the arrow up (the icon is above the bubble) or down, at `x` from the left.
    void pointAt(bool up, int x);
    const BubbleShape& shape() const { return shape_; }

    // The close button was pressed.
    std::function<void()> onDone;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    BubbleShape shape_;
};

}  // namespace vesperine
