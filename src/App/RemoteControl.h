#pragma once

#include <functional>

#include "App/AppState.h"
#include "App/ControlStatus.h"
#include "Rules/AppRules.h"
#include "State/Override.h"
#include "Support/Observable.h"
#include "Support/Result.h"

namespace vesperine {

// What other programs may do to the running instance and see of it: the operations of the
// app state a panel, a script or a key binding asks for, checked as a user's input is (a
// strength out of the kind's range is refused, not clamped, and so is a kind the displays or
// the desktop cannot show at all), and the status they follow. A refused request changes
// nothing. The control interface on the bus is a thin adapter over this. Main loop only;
// `state` and `rules` (which name the application whose rule decides; may be null) must
// outlive it.
class RemoteControl {
public:
    explicit RemoteControl(AppState& state, const AppRules* rules = nullptr);

    // Follows the app state: set again after every change that could alter a field.
    const Observable<ControlStatus>& status() const { return status_; }

    // Shows `kind` at its remembered strength for `lifetime`. Refuses a kind that cannot
    // be shown here (ModeResolver::unavailable).
    Status select(DisplayMode::Kind kind, LifetimeChoice lifetime);
    // Remembers `value` as the strength of `kind` and shows it (a running pick keeps its
    // lifetime). Refuses off, a value outside the kind's range and a kind that cannot be
    // shown here.
    Status setStrength(DisplayMode::Kind kind, double value);
    // Shows `mode` for `seconds` (more than 0, at most 60), then what was shown before.
    // Refuses what setStrength refuses, off aside.
    Status preview(const DisplayMode& mode, double seconds);
    // Drops the pick: the schedule decides again.
    void resume();
    // The displays' own colours back, Off held until the next pick.
    void reset();
    // Keeps `location` as where sunrise and sunset are worked out, and evaluates again.
    // Refuses coordinates out of range; fails, with the location in use all the same, when
    // it cannot be saved.
    Status setLocation(const Location& location);
    // Forgets the chosen location for the time zone's city, as on a first start (none where
    // the zone has no city in the table).
    Status clearLocation();

    static constexpr double longestPreview = 60;

    // Called after each reset: an instance that only holds a pick for a command ends there.
    std::function<void()> afterReset;

private:
    void refresh() { status_.set(ControlStatus::of(state_, rules_)); }
    Status showable(DisplayMode::Kind kind) const;

    AppState& state_;
    const AppRules* rules_;
    Observable<ControlStatus> status_;
    std::vector<Subscription> watches_;
};

}  // namespace vesperine
