#pragma once

#include <optional>
#include <string>

#include "State/DisplayMode.h"
#include "Support/Instant.h"
#include "Support/Json.h"

namespace vesperine {

// The user's pick of a mode, and how long it lasts. Times are on the schedule clock.
struct Override {
    class Lifetime {
    public:
        enum class Kind { until, untilNextTransition, indefinitely };

        static Lifetime until(Instant date) { return Lifetime(Kind::until, date); }
        static Lifetime untilNextTransition() { return Lifetime(Kind::untilNextTransition, {}); }
        static Lifetime indefinitely() { return Lifetime(Kind::indefinitely, {}); }

        Kind kind() const { return kind_; }
        Instant date() const { return date_; }  // meaningful for until only

        bool operator==(const Lifetime& other) const {
            return kind_ == other.kind_ && (kind_ != Kind::until || date_ == other.date_);
        }

    private:
        Lifetime(Kind kind, Instant date) : kind_(kind), date_(date) {}
        Kind kind_;
        Instant date_;
    };

    DisplayMode mode;
    Lifetime lifetime = Lifetime::indefinitely();
    Instant setAt;

    static constexpr const char* defaultsKey = "override";

    // `lastTransition` is the schedule state's latest step, absent without a schedule state.
    bool isExpired(Instant now, std::optional<Instant> lastTransition) const;

    bool operator==(const Override&) const = default;
};

// The three lifetimes the menu offers for a running override.
enum class LifetimeChoice { nextChange, oneHour, untilOff };

inline constexpr LifetimeChoice allLifetimeChoices[] = {
    LifetimeChoice::nextChange, LifetimeChoice::oneHour, LifetimeChoice::untilOff};

const char* rawValue(LifetimeChoice choice);  // "nextChange", "oneHour", "untilOff"
std::optional<LifetimeChoice> lifetimeChoiceFromRawValue(std::string_view raw);
const char* label(LifetimeChoice choice);
// `now` is the schedule clock's current time.
Override::Lifetime lifetime(LifetimeChoice choice, Instant now);

template <>
struct JsonCodec<Override::Lifetime> {
    static Json encode(const Override::Lifetime& lifetime);
    static Result<Override::Lifetime> decode(const Json& json);
};

template <>
struct JsonCodec<Override> {
    static Json encode(const Override& value);
    static Result<Override> decode(const Json& json);
};

}  // namespace vesperine
