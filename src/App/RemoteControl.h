#pragma once

#include <functional>

#include "App/AppState.h"
#include "App/ControlStatus.h"
#include "State/Override.h"
#include "Support/Observable.h"
#include "Support/Result.h"

namespace vesperine {

// What other programs may do to the running instance and see of it: the operations of the
// app state a panel, a script or a key binding asks for, checked as a user's input is (a
// strength out of the kind's range is refused, not clamped), and the status they follow.
// The control interface on the bus is a thin adapter over this. Main loop only; `state`
// must outlive it.
class RemoteControl {
public:
    explicit RemoteControl(AppState& state);

    // Follows the app state: set again after every change that could alter a field.
    const Observable<ControlStatus>& status() const { return status_; }

    // Shows `kind` at its remembered strength for `lifetime`.
    void select(DisplayMode::Kind kind, LifetimeChoice lifetime);
    // Remembers `value` as the strength of `kind` and shows it (a running pick keeps its
    // lifetime). Refuses off and a value outside the kind's range.
    Status setStrength(DisplayMode::Kind kind, double value);
    // Shows `mode` for `seconds` (more than 0, at most 60), then what was shown before.
    Status preview(const DisplayMode& mode, double seconds);
    // Drops the pick: the schedule decides again.
    void resume();
    // The displays' own colours back, Off held until the next pick.
    void reset();

    static constexpr double longestPreview = 60;

private:
    void refresh() { status_.set(ControlStatus::of(state_)); }

    AppState& state_;
    Observable<ControlStatus> status_;
    std::vector<Subscription> watches_;
};

}  // namespace vesperine
