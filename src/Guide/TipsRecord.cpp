#include "Guide/TipsRecord.h"

namespace vesperine {

namespace {

constexpr const char* eventNames[] = {
    "menuOpened",   "modePicked",      "sliderUsed",      "shortcutUsed",  "appPaused",
    "lifetimeChanged", "displayReset", "schedulesOpened", "stepPreviewed"};

}  // namespace

const char* rawValue(TipEvent event) { return eventNames[static_cast<int>(event)]; }

std::optional<TipEvent> tipEventFromRawValue(std::string_view raw) {
    for (TipEvent event : allTipEvents) {
        if (raw == rawValue(event)) return event;
    }
    return std::nullopt;
}

int TipsRecord::count(TipEvent event) const {
    auto found = events.find(event);
    return found == events.end() ? 0 : found->second.count;
}

std::optional<double> TipsRecord::secondsSinceFirst(TipEvent event, Instant now) const {
    auto found = events.find(event);
    if (found == events.end() || found->second.count == 0) return std::nullopt;
    return now - found->second.first;
}

TipsRecord::TipHistory TipsRecord::history(MenuSpot spot) const {
    auto found = tips.find(spot);
    return found == tips.end() ? TipHistory{} : found->second;
}

TipsRecord::TipHistory TipsRecord::history(ScheduleTip tip) const {
    auto found = scheduleTips.find(tip);
    return found == scheduleTips.end() ? TipHistory{} : found->second;
}

void TipsRecord::donate(TipEvent event, Instant now) {
    Donations& donations = events[event];
    if (donations.count == 0) donations.first = now;
    donations.last = now;
    if (donations.count < 1'000'000) ++donations.count;  // enough for every rule; never wraps
}

Json JsonCodec<TipsRecord>::encode(const TipsRecord& record) {
    Json events = Json::object(), tips = Json::object();
    for (const auto& [event, donations] : record.events) {
        events[rawValue(event)] = {{"count", donations.count},
                                   {"first", donations.first.referenceDateSeconds()},
                                   {"last", donations.last.referenceDateSeconds()}};
    }
    const auto put = [&tips](const char* name, const TipsRecord::TipHistory& history) {
        tips[name] = {{"views", history.views}, {"closed", history.closed}};
    };
    for (const auto& [spot, history] : record.tips) put(rawValue(spot), history);
    for (const auto& [tip, history] : record.scheduleTips) put(rawValue(tip), history);
    return {{"events", events}, {"tips", tips}};
}

Result<TipsRecord> JsonCodec<TipsRecord>::decode(const Json& json) {
    TipsRecord record;
    auto events = json::member(json, "events");
    if (!events) return events.error();
    auto tips = json::member(json, "tips");
    if (!tips) return tips.error();
    if (!(*events)->is_object() || !(*tips)->is_object()) return Error{"Expected two objects."};
    for (const auto& [name, value] : (*events)->items()) {
        auto event = tipEventFromRawValue(name);
        if (!event) continue;
        auto count = json::integer(value, "count");
        if (!count) return count.error();
        auto first = json::referenceDate(value, "first");
        if (!first) return first.error();
        auto last = json::referenceDate(value, "last");
        if (!last) return last.error();
        if (*count < 0 || *count > 1'000'000) return Error{"An event count is out of range."};
        record.events[*event] = {static_cast<int>(*count), *first, *last};
    }
    for (const auto& [name, value] : (*tips)->items()) {
        auto spot = menuSpotFromRawValue(name);
        auto scheduleTip = scheduleTipFromRawValue(name);
        if (!spot && !scheduleTip) continue;
        auto views = json::integer(value, "views");
        if (!views) return views.error();
        auto closed = json::boolean(value, "closed");
        if (!closed) return closed.error();
        if (*views < 0 || *views > 1'000'000) return Error{"A view count is out of range."};
        const TipsRecord::TipHistory history{static_cast<int>(*views), *closed};
        if (spot) record.tips[*spot] = history;
        if (scheduleTip) record.scheduleTips[*scheduleTip] = history;
    }
    return record;
}

}  // namespace vesperine
