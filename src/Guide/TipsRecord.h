#pragma once

#include <map>
#include <optional>

#include "Guide/Tip.h"
#include "Guide/TipEvent.h"
#include "Support/Instant.h"
#include "Support/Json.h"

namespace vesperine {

// Everything the tips remember between runs: how often and when each event happened, and
// how each tip fared. Kept as one JSON record in the defaults store; resetting the tips
// forgets all of it.
struct TipsRecord {
    struct Donations {
        int count = 0;
        Instant first;  // wall-clock time of the first donation (meaningless while count is 0)
        Instant last;
        bool operator==(const Donations&) const = default;
    };
    struct TipHistory {
        int views = 0;        // menu openings that showed the tip
        bool closed = false;  // the user closed it
        bool operator==(const TipHistory&) const = default;
    };

    std::map<TipEvent, Donations> events;
    std::map<MenuSpot, TipHistory> tips;
    std::map<ScheduleTip, TipHistory> scheduleTips;  // views: the tab's pages that showed it

    int count(TipEvent event) const;
    // How long ago the event first happened; none before it has.
    std::optional<double> secondsSinceFirst(TipEvent event, Instant now) const;
    TipHistory history(MenuSpot spot) const;
    TipHistory history(ScheduleTip tip) const;
    void donate(TipEvent event, Instant now);

    bool operator==(const TipsRecord&) const = default;
};

// {"events": {"menuOpened": {"count": 3, "first": 802000000, "last": 802090000}},
//  "tips": {"modePicker": {"views": 1, "closed": false}}}; times in seconds since 2001. The
// schedule tab's tips sit in "tips" beside the menu's, under their own names.
// Unknown events and tips are skipped, so a record from a newer version still reads.
template <>
struct JsonCodec<TipsRecord> {
    static Json encode(const TipsRecord& record);
    static Result<TipsRecord> decode(const Json& json);
};

}  // namespace vesperine
