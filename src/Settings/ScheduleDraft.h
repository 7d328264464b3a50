#pragma once

#include <optional>
#include <string>
#include <vector>

#include "App/AppState.h"
#include "Settings/ScheduleToday.h"
#include "Support/Observable.h"

namespace vesperine {

// The schedule editor's working copy of one schedule, and what the editor does with it. Edits
// change only the draft; Save, Save as New and Use go to the store and the app state. A
// built-in schedule can be edited and previewed here but never saved in place: its edits are
// kept only as a new custom schedule. Main loop only; the app state must outlive it.
class ScheduleDraft {
public:
    // How long a step's preview shows, in seconds.
    static constexpr double previewSeconds = 4.0;

    // Takes the draft from the store (an empty custom schedule with this id if it is gone).
    ScheduleDraft(AppState& state, Uuid scheduleID);

    const Uuid& scheduleID() const { return scheduleID_; }
    const Observable<Schedule>& draft() const { return draft_; }
    // Why the latest save of this editor failed ("Couldn't save: " and this); none after a
    // save that succeeded. The store keeps the change in memory, so it is still in force,
    // but it is not on disk until a later save succeeds.
    const Observable<std::optional<std::string>>& saveFailure() const { return saveFailure_; }

    // The store's schedule with this id; none once it has been deleted.
    std::optional<Schedule> saved() const;
    bool isBuiltIn() const;
    // Whether the schedule is the one in force (an unknown active id means the default).
    bool isActive() const;
    // The draft differs from the store's schedule.
    bool isDirty() const { return saved() != draft_.get(); }
    // There is something Save would write: edits, or a change whose write failed.
    bool needsSave() const { return isDirty() || saveFailure_.get().has_value(); }
    // The draft's name is more than white space (a custom schedule is saved only with one).
    bool hasName() const;
    // Save can run: a custom schedule that still exists, needs saving and has a name.
    bool canSave() const;
    // Use can run: it would not have to save edits without a name first.
    bool canUse() const { return isBuiltIn() || !isDirty() || hasName(); }

    void setName(std::string name);
    // Replaces the step with the same id; an unknown id changes nothing.
    void setKeyframe(const Keyframe& keyframe);
    void addStep();
    void deleteStep(const Uuid& keyframeID);
    // The draft becomes the store's schedule again.
    void revert();

    // Custom schedules only: writes the draft (its name trimmed) through the store and
    // re-evaluates. Fails, changing nothing, for a built-in, a deleted schedule or a blank
    // name; fails after the store's write failed (the store then holds the change in memory).
    Status save();
    // Adds a custom copy of the draft under `name` (made unique; "My schedule" when blank),
    // then reverts the draft, so the schedule edited here stays as it was. The outcome of the
    // store's write is the store's `lastSave()`.
    Schedule saveAsNew(const std::string& name);
    // Makes this schedule the one in force: saves a custom schedule's edits first (stopping
    // if that fails), activates it, drops the override and re-evaluates.
    Status use();
    // Shows the step's mode on the displays for `previewSeconds`.
    void preview(const Uuid& keyframeID);

    // Where each step of the draft falls today, in the draft's order.
    std::vector<ScheduleToday::StepTime> stepTimes() const;

private:
    Status record(Status outcome);

    AppState& state_;
    Uuid scheduleID_;
    Observable<Schedule> draft_;
    Observable<std::optional<std::string>> saveFailure_;
};

}  // namespace vesperine
