#pragma once

#include <optional>

#include "Guide/Tip.h"
#include "Guide/TipEvent.h"
#include "Guide/TipRules.h"
#include "Guide/TipsRecord.h"
#include "Platform/Clock.h"
#include "Platform/DefaultsStore.h"
#include "Platform/Logger.h"
#include "Platform/RunningApplication.h"
#include "Support/Observable.h"

namespace vesperine {

class AppState;

// The tips for a new user: which place in the menu shows a tip now (`menuSpot`, one at a
// time), and whether tips show at all (`enabled`). Views donate what the user does
// (`donate`); the rules in TipRules decide, and what happened is kept in the defaults store
// under `recordKey`, so tips that have had their turn stay gone across runs. It also keeps
// whether the hint that points at the tray icon has had its turn (`hintShown`); the hint's
// window itself is a view that follows this value.
// Main loop only. The defaults store and the clock are borrowed and must outlive the guide;
// so must the app state given to `start`.
class Guide {
public:
    static constexpr const char* enabledKey = "tipsEnabled";             // Bool, true when absent
    static constexpr const char* resetOnLaunchKey = "resetTipsOnLaunch";  // Bool
    static constexpr const char* hintShownKey = "menuBarHintShown";      // Bool
    static constexpr const char* recordKey = "tipsRecord";               // data: TipsRecord JSON

    Guide(DefaultsStore& defaults, const Clock& clock, Logger& logger);
    Guide(const Guide&) = delete;
    Guide& operator=(const Guide&) = delete;

    // Called once at start-up. When "resetTipsOnLaunch" is set or `resetTips` is asked for
    // ("--reset-tips"), clears that flag, forgets that the hint was shown and starts the tips
    // over. Then follows the app state's override and limitation, which some tips depend on.
    void start(AppState& state, bool resetTips);

    const Observable<std::optional<MenuSpot>>& menuSpot() const { return menuSpot_; }
    const Observable<bool>& enabled() const { return enabled_; }
    // Stores the switch under "tipsEnabled" and chooses the menu's tip again at once.
    void setEnabled(bool on);
    // Takes in the stored switch again (a hand edit of the defaults), without writing it.
    void reloadStored();

    // Records what the user did, then chooses the menu's tip again. A menu opening also
    // counts as one showing of the tip it then shows.
    void donate(TipEvent event);
    // The user closed the tip at `spot`: it does not come back (until the tips start over).
    void close(MenuSpot spot);
    // Reads the app state's override and limitation again and chooses the menu's tip.
    void refreshMenu();
    // The tip for `spot`, only while it is the one the menu shows.
    std::optional<Tip> tip(MenuSpot spot) const;

    // The menu was opened: whoever found the menu needs no hint pointing at its icon (the
    // hint is marked shown, which also takes a visible one away), and the opening is donated.
    void menuOpened();
    // Whether the hint has had its turn ("menuBarHintShown"); false again once tips start over.
    const Observable<bool>& hintShown() const { return hintShown_; }
    void markHintShown();

    // The application the menu offers to pause (none before one was in front): the tip that
    // points at that offer waits for it. Borrowed; it must outlive the guide.
    void followApplications(const Observable<std::optional<RunningApplication>>& lastExternal);

    // A page of the schedule tab that can carry `tip` opens: the tip when it may show there,
    // counted as one showing; none otherwise. The page keeps it until it closes, the user
    // closes the tip, tips are switched off or (in the editor) a step is previewed.
    std::optional<Tip> showScheduleTip(ScheduleTip tip);
    // The user closed the schedule tab's `tip`: it does not come back.
    void close(ScheduleTip tip);

    const TipsRecord& record() const { return record_; }

private:
    void save();
    TipRules::Parameters parameters() const;

    DefaultsStore& defaults_;
    const Clock& clock_;
    Log log_;
    AppState* state_ = nullptr;
    TipsRecord record_;
    std::optional<MenuSpot> showing_;  // the tip of the latest menu opening
    Observable<std::optional<MenuSpot>> menuSpot_;
    Observable<bool> enabled_;
    Observable<bool> hintShown_;
    const Observable<std::optional<RunningApplication>>* lastExternal_ = nullptr;
    Subscription overrideWatch_;
    Subscription applicationWatch_;
    Subscription resolutionWatch_;
};

}  // namespace vesperine
