#include "Schedule/SolarCalculator.h"

#include <cmath>

namespace vesperine::SolarCalculator {

namespace {

constexpr double pi = 3.141592653589793;
constexpr double radians(double degrees) { return degrees * pi / 180.0; }

}  // namespace

Day day(Instant date, double latitude, double longitude, Calendar& calendar) {
    // Only the local noon of the day enters, so any instant within the day gives one answer.
    const Instant noon = calendar.dateBySetting(12, 0, 0, date).value_or(date);

    const double J = noon.unixSeconds() / 86400.0 + 2440587.5;
    const double lw = longitude / -360.0;
    const double n = std::round((J + (-2451545.0009)) - lw);
    const double Jstar = (lw + 2451545.0009) + n;
    const double M = std::fmod((Jstar - 2451545.0) * 0.98560028 + 357.5291, 360.0);
    const double Mr = radians(M);
    const double C = 1.9148 * std::sin(Mr) + 0.02 * std::sin(2 * Mr) + 0.0003 * std::sin(3 * Mr);
    const double lambda = std::fmod(M + 102.9372 + C + 180.0, 360.0);
    const double lr = radians(lambda);
    const double Jtransit = (Jstar + 0.0053 * std::sin(Mr)) + (-0.0069 * std::sin(2 * lr));
    const double dec = std::asin(std::sin(lr) * 0.39778370349342274);  // sin(23.4397°)
    const double phi = radians(latitude);
    const double cosW = (-0.014538080502496949 - std::sin(phi) * std::sin(dec)) /  // sin(-0.833°)
                        (std::cos(phi) * std::cos(dec));

    if (cosW < -1.0) return Day::alwaysUp();
    if (cosW > 1.0) return Day::alwaysDown();
    const double w = std::acos(cosW) * 180.0 / pi / 360.0;
    return Day::normal(Instant::fromUnix((Jtransit - w - 2440587.5) * 86400.0),
                       Instant::fromUnix((Jtransit + w - 2440587.5) * 86400.0));
}

Day day(Instant date, double latitude, double longitude, const TimeZone& timeZone) {
    Calendar calendar(timeZone);
    return day(date, latitude, longitude, calendar);
}

}  // namespace vesperine::SolarCalculator
