#include "Settings/ScheduleDraft.h"

#include <algorithm>

#include "Settings/KeyframeEdits.h"

namespace vesperine {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace

ScheduleDraft::ScheduleDraft(AppState& state, Uuid scheduleID)
    : state_(state),
      scheduleID_(scheduleID),
      draft_(state.store().schedule(scheduleID).value_or(Schedule{scheduleID, "", {}, false})) {
    // A schedule just added by a save that could not be written opens with that failure, so
    // the editor offers to save it again.
    const auto& last = state.store().lastSave();
    if (!draft_->isBuiltIn && !last) saveFailure_.set(last.error().description);
}

std::optional<Schedule> ScheduleDraft::saved() const { return state_.store().schedule(scheduleID_); }

bool ScheduleDraft::isBuiltIn() const {
    const auto schedule = saved();
    return schedule ? schedule->isBuiltIn : draft_->isBuiltIn;
}

bool ScheduleDraft::isActive() const { return state_.store().active().id == scheduleID_; }

bool ScheduleDraft::hasName() const { return !trimmed(draft_->name).empty(); }

bool ScheduleDraft::canSave() const {
    return !isBuiltIn() && saved().has_value() && needsSave() && hasName();
}

void ScheduleDraft::setName(std::string name) {
    auto schedule = draft_.get();
    schedule.name = std::move(name);
    draft_.set(std::move(schedule));
}

void ScheduleDraft::setKeyframe(const Keyframe& keyframe) {
    auto schedule = draft_.get();
    for (auto& step : schedule.keyframes) {
        if (step.id == keyframe.id) step = keyframe;
    }
    draft_.set(std::move(schedule));
}

void ScheduleDraft::addStep() {
    auto schedule = draft_.get();
    schedule.keyframes.push_back(KeyframeEdits::newStep());
    draft_.set(std::move(schedule));
}

void ScheduleDraft::deleteStep(const Uuid& keyframeID) {
    auto schedule = draft_.get();
    std::erase_if(schedule.keyframes, [&](const Keyframe& step) { return step.id == keyframeID; });
    draft_.set(std::move(schedule));
}

void ScheduleDraft::revert() {
    if (auto schedule = saved()) draft_.set(std::move(*schedule));
}

Status ScheduleDraft::record(Status outcome) {
    saveFailure_.set(outcome ? std::nullopt : std::optional(outcome.error().description));
    return outcome;
}

Status ScheduleDraft::save() {
    if (isBuiltIn()) return Error{"built-in schedules can't be changed"};
    if (!saved()) return Error{"the schedule no longer exists"};
    if (!hasName()) return Error{"the schedule needs a name"};
    setName(trimmed(draft_->name));
    Status written = state_.store().update(draft_.get());
    state_.reevaluate();
    return record(std::move(written));
}

Schedule ScheduleDraft::saveAsNew(const std::string& name) {
    Schedule added = state_.store().addNew(draft_.get(), name, false);
    revert();
    return added;
}

Status ScheduleDraft::use() {
    if (!isBuiltIn() && isDirty()) {
        if (auto saving = save(); !saving) return saving;
    }
    Status activated = state_.store().setActiveID(scheduleID_);
    state_.setOverride(std::nullopt);
    state_.reevaluate();
    return record(std::move(activated));
}

void ScheduleDraft::preview(const Uuid& keyframeID) {
    for (const auto& step : draft_->keyframes) {
        if (step.id == keyframeID) state_.preview(step.mode, previewSeconds);
    }
}

std::vector<ScheduleToday::StepTime> ScheduleDraft::stepTimes() const {
    return ScheduleToday::steps(state_.engine(draft_.get()), state_.now());
}

}  // namespace vesperine
