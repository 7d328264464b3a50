#include "Rules/AppRules.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "Persistence/Stored.h"

namespace vesperine {

namespace {

// Sorts by name the way the user's language orders words, ignoring case; equal names keep
// their order. The C locale (ICU's en_US_POSIX) orders by code point, upper case first, so
// it gets the language-neutral order instead.
template <class T, class Name>
void sortByName(std::vector<T>& items, Name name) {
    icu::Locale locale = icu::Locale::getDefault();
    if (std::strcmp(locale.getVariant(), "POSIX") == 0) locale = icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !collator) return;  // no collation data: keep the order
    }
    collator->setStrength(icu::Collator::SECONDARY);  // accents count, case does not
    std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) {
        UErrorCode compared = U_ZERO_ERROR;
        return collator->compareUTF8(name(a), name(b), compared) == UCOL_LESS;
    });
}

void sortByName(std::vector<AppRule>& rules) {
    sortByName(rules, [](const AppRule& rule) -> const std::string& { return rule.name; });
}

}  // namespace

AppRules::AppRules(DefaultsStore& defaults, Workspace& workspace, std::string ownBundleID)
    : defaults_(defaults),
      workspace_(workspace),
      ownBundleID_(std::move(ownBundleID)),
      rules_(Stored::load<std::vector<AppRule>>(defaultsKey, AppRule::defaults(), defaults)),
      pauseWhileFullScreen_(defaults.boolean(fullScreenKey)) {}

void AppRules::setRules(std::vector<AppRule> rules) {
    rules_.set(std::move(rules));
    save();
}

void AppRules::save() {
    Stored::save(rules_.get(), defaultsKey, defaults_);
}

void AppRules::setPauseWhileFullScreen(bool on) {
    defaults_.set(fullScreenKey, on);
    if (!pauseWhileFullScreen_.set(on)) return;
    // A state seen while the setting was off may be long out of date when it comes back on.
    if (!on) lastExternalFullScreen_ = false;
    if (started_) workspace_.followFullScreen(on);
    recompute();
}

void AppRules::reloadStored() {
    rules_.set(Stored::load<std::vector<AppRule>>(defaultsKey, AppRule::defaults(), defaults_));
    const bool on = defaults_.boolean(fullScreenKey);
    if (pauseWhileFullScreen_.set(on)) {
        if (!on) lastExternalFullScreen_ = false;
        if (started_) workspace_.followFullScreen(on);
    }
    recompute();
}

void AppRules::start() {
    if (started_) return;
    started_ = true;
    workspace_.followFullScreen(pauseWhileFullScreen_.get());
    frontmostObserver_ = workspace_.frontmost().observe(
        alive_.guard([this](const Workspace::Frontmost& front) { frontmostChanged(front); }));
    quitObserver_ = workspace_.observeTerminations(
        alive_.guard([this](const RunningApplication& app) { applicationQuit(app); }));
    frontmostChanged(workspace_.frontmost().get());
}

void AppRules::frontmostChanged(const Workspace::Frontmost& front) {
    // With nothing in front, or this program's own menu or windows, the last application
    // keeps its rule: opening our settings never lifts or applies one.
    if (front.application && front.application->bundleID != ownBundleID_) {
        lastExternalFullScreen_ = front.fullScreen;
        lastExternalApp_.set(front.application);
    }
    recompute();
}

void AppRules::applicationQuit(const RunningApplication& app) {
    // When the last window of the application in front closes, the focus may go nowhere (no
    // window, the bare desktop); its rule must not outlive it.
    auto same = [&](const std::optional<RunningApplication>& other) {
        return other && other->bundleID == app.bundleID && other->processID == app.processID;
    };
    if (!same(lastExternalApp_.get()) || same(workspace_.frontmost()->application)) return;
    lastExternalFullScreen_ = false;
    lastExternalApp_.set(std::nullopt);
    recompute();
}

std::optional<AppRule> AppRules::rule(const std::optional<std::string>& bundleID) const {
    if (!bundleID) return std::nullopt;
    for (const auto& rule : rules_.get()) {
        if (rule.bundleID == *bundleID) return rule;
    }
    return std::nullopt;
}

void AppRules::set(AppRule::Behavior behavior, const RunningApplication& application) {
    if (!application.bundleID) return;
    set(behavior, *application.bundleID, application.name.value_or(*application.bundleID));
}

void AppRules::set(AppRule::Behavior behavior, const std::string& bundleID,
                   const std::string& name) {
    auto rules = rules_.get();
    auto existing = std::find_if(rules.begin(), rules.end(),
                                 [&](const AppRule& rule) { return rule.bundleID == bundleID; });
    if (existing != rules.end()) {
        existing->behavior = behavior;
        setRules(std::move(rules));
    } else {
        rules.push_back(AppRule{bundleID, name, behavior});
        setRules(rules);
        sortByName(rules);
        setRules(std::move(rules));
    }
    recompute();
}

std::vector<RunningApplication> AppRules::addable(
    const std::vector<RunningApplication>& running) const {
    std::vector<RunningApplication> choices;
    for (const auto& application : running) {
        const auto& id = application.bundleID;
        if (!id || id->empty() || *id == ownBundleID_ || rule(id)) continue;
        const bool listed = std::any_of(choices.begin(), choices.end(), [&](const auto& choice) {
            return choice.bundleID == id;
        });
        if (!listed) choices.push_back(application);
    }
    sortByName(choices, [](const RunningApplication& application) {
        return application.name.value_or(*application.bundleID);
    });
    return choices;
}

void AppRules::remove(const std::string& bundleID) {
    auto rules = rules_.get();
    std::erase_if(rules, [&](const AppRule& rule) { return rule.bundleID == bundleID; });
    setRules(std::move(rules));
    recompute();
}

void AppRules::restoreDefaults() {
    setRules(AppRule::defaults());
    recompute();
}

void AppRules::recompute() {
    const auto& last = lastExternalApp_.get();
    std::optional<ModeResolver::AppRuleEffect> next;
    if (auto found = rule(last ? last->bundleID : std::nullopt)) {
        next = effectOf(found->behavior);
    } else if (last && lastExternalFullScreen_ && pauseWhileFullScreen_.get()) {
        next = ModeResolver::AppRuleEffect::pauseAll;
    }
    if (!effect_.set(next)) return;
    if (onChange) {
        auto callback = onChange;  // the callback may replace onChange
        callback(next);
    }
}

}  // namespace vesperine
