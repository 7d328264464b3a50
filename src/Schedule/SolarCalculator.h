#pragma once

#include "Schedule/Calendar.h"
#include "Support/Instant.h"

namespace vesperine {

// Sunrise and sunset of one local day at one place: the usual approximate sunrise equation,
// with the sun's upper limb at -0.833° (refraction included). Pure apart from the calendar
// arithmetic that finds local noon. Inputs are not validated: a latitude beyond ±90° or a
// non-finite input can give a normal day whose instants are not finite; callers check.
namespace SolarCalculator {

class Day {
public:
    enum class Kind { normal, alwaysUp, alwaysDown };

    static Day normal(Instant sunrise, Instant sunset) { return Day(Kind::normal, sunrise, sunset); }
    static Day alwaysUp() { return Day(Kind::alwaysUp, {}, {}); }      // polar day
    static Day alwaysDown() { return Day(Kind::alwaysDown, {}, {}); }  // polar night

    Kind kind() const { return kind_; }
    Instant sunrise() const { return sunrise_; }  // normal only
    Instant sunset() const { return sunset_; }    // normal only

    bool operator==(const Day& other) const {
        return kind_ == other.kind_ &&
               (kind_ != Kind::normal || (sunrise_ == other.sunrise_ && sunset_ == other.sunset_));
    }

private:
    Day(Kind kind, Instant sunrise, Instant sunset) : kind_(kind), sunrise_(sunrise), sunset_(sunset) {}
    Kind kind_;
    Instant sunrise_;
    Instant sunset_;
};

// The day (in `calendar`'s zone) that contains `date`.
Day day(Instant date, double latitude, double longitude, Calendar& calendar);
Day day(Instant date, double latitude, double longitude, const TimeZone& timeZone);

}  // namespace SolarCalculator
}  // namespace vesperine
