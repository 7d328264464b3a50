#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <chrono>
#include <functional>
#include <optional>

#include "Guide/Guide.h"
#include "Guide/Views/HintBubble.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// The one-time hint that points at the tray icon. Start-up decides when to show it. It
// goes, and is marked as shown, when its close button is pressed, when the panel opens, or
// after `timeout`; so it shows once until the tips start over.
class MenuBarHint final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds timeout{30};

    // `iconGeometry` tells where the tray icon is now (global coordinates); none when that
    // is unknown. Everything given is borrowed and must outlive the hint.
    MenuBarHint(Guide& guide, Scheduler& scheduler,
                std::function<std::optional<QRect>()> iconGeometry, QObject* parent = nullptr);
    ~MenuBarHint() override;

    // Shows the bubble beside the icon, its arrow at the icon, and starts the timeout. Does
    // nothing while it shows, once it has had its turn (the panel may have opened while
    // start-up waited) or when the icon's place is unknown.
    void show();
    // Takes the bubble away (it fades out); with `markShown`, it has had its turn.
    void dismiss(bool markShown);

    // The bubble while it shows, else null.
    HintBubble* bubble() const { return bubble_; }

private:
    Guide& guide_;
    Scheduler& scheduler_;
    std::function<std::optional<QRect>()> iconGeometry_;
    QPointer<HintBubble> bubble_;
    Timer timeout_;
    Subscription shownWatch_;
    Alive alive_;
};

}  // namespace vesperine
