#include "Schedule/Cities.h"

#include <cmath>
#include <numbers>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace vesperine::Cities {

const std::vector<City>& all() {
    // Alphabetical by name, as the picker lists them.
    static const std::vector<City> cities = {
        {"Amsterdam, Netherlands", 52.3676, 4.9041, "Europe/Amsterdam"},
        {"Anchorage, USA", 61.2181, -149.9003, "America/Anchorage"},
        {"Athens, Greece", 37.9838, 23.7275, "Europe/Athens"},
        {"Atlanta, USA", 33.749, -84.388, "America/New_York"},
        {"Auckland, New Zealand", -36.8485, 174.7633, "Pacific/Auckland"},
        {"Austin, USA", 30.2672, -97.7431, "America/Chicago"},
        {"Bangkok, Thailand", 13.7563, 100.5018, "Asia/Bangkok"},
        {"Barcelona, Spain", 41.3874, 2.1686, "Europe/Madrid"},
        {"Beijing, China", 39.9042, 116.4074, "Asia/Shanghai"},
        {"Berlin, Germany", 52.52, 13.405, "Europe/Berlin"},
        {"Bogotá, Colombia", 4.711, -74.0721, "America/Bogota"},
        {"Boston, USA", 42.3601, -71.0589, "America/New_York"},
        {"Brisbane, Australia", -27.4698, 153.0251, "Australia/Brisbane"},
        {"Brussels, Belgium", 50.8503, 4.3517, "Europe/Brussels"},
        {"Buenos Aires, Argentina", -34.6037, -58.3816, "America/Argentina/Buenos_Aires"},
        {"Cairo, Egypt", 30.0444, 31.2357, "Africa/Cairo"},
        {"Cape Town, South Africa", -33.9249, 18.4241, "Africa/Johannesburg"},
        {"Chicago, USA", 41.8781, -87.6298, "America/Chicago"},
        {"Copenhagen, Denmark", 55.6761, 12.5683, "Europe/Copenhagen"},
        {"Dallas, USA", 32.7767, -96.797, "America/Chicago"},
        {"Delhi, India", 28.7041, 77.1025, "Asia/Kolkata"},
        {"Denver, USA", 39.7392, -104.9903, "America/Denver"},
        {"Dubai, UAE", 25.2048, 55.2708, "Asia/Dubai"},
        {"Dublin, Ireland", 53.3498, -6.2603, "Europe/Dublin"},
        {"Edinburgh, UK", 55.9533, -3.1883, "Europe/London"},
        {"Helsinki, Finland", 60.1699, 24.9384, "Europe/Helsinki"},
        {"Hong Kong", 22.3193, 114.1694, "Asia/Hong_Kong"},
        {"Honolulu, USA", 21.3069, -157.8583, "Pacific/Honolulu"},
        {"Houston, USA", 29.7604, -95.3698, "America/Chicago"},
        {"Istanbul, Türkiye", 41.0082, 28.9784, "Europe/Istanbul"},
        {"Jakarta, Indonesia", -6.2088, 106.8456, "Asia/Jakarta"},
        {"Johannesburg, South Africa", -26.2041, 28.0473, "Africa/Johannesburg"},
        {"Lagos, Nigeria", 6.5244, 3.3792, "Africa/Lagos"},
        {"Lima, Peru", -12.0464, -77.0428, "America/Lima"},
        {"Lisbon, Portugal", 38.7223, -9.1393, "Europe/Lisbon"},
        {"London, UK", 51.5074, -0.1278, "Europe/London"},
        {"Los Angeles, USA", 34.0522, -118.2437, "America/Los_Angeles"},
        {"Madrid, Spain", 40.4168, -3.7038, "Europe/Madrid"},
        {"Manila, Philippines", 14.5995, 120.9842, "Asia/Manila"},
        {"Melbourne, Australia", -37.8136, 144.9631, "Australia/Melbourne"},
        {"Mexico City, Mexico", 19.4326, -99.1332, "America/Mexico_City"},
        {"Miami, USA", 25.7617, -80.1918, "America/New_York"},
        {"Milan, Italy", 45.4642, 9.19, "Europe/Rome"},
        {"Montréal, Canada", 45.5017, -73.5673, "America/Toronto"},
        {"Moscow, Russia", 55.7558, 37.6173, "Europe/Moscow"},
        {"Mumbai, India", 19.076, 72.8777, "Asia/Kolkata"},
        {"Munich, Germany", 48.1351, 11.582, "Europe/Berlin"},
        {"Nairobi, Kenya", -1.2921, 36.8219, "Africa/Nairobi"},
        {"New York, USA", 40.7128, -74.006, "America/New_York"},
        {"Oslo, Norway", 59.9139, 10.7522, "Europe/Oslo"},
        {"Paris, France", 48.8566, 2.3522, "Europe/Paris"},
        {"Perth, Australia", -31.9523, 115.8613, "Australia/Perth"},
        {"Philadelphia, USA", 39.9526, -75.1652, "America/New_York"},
        {"Phoenix, USA", 33.4484, -112.074, "America/Phoenix"},
        {"Portland, USA", 45.5152, -122.6784, "America/Los_Angeles"},
        {"Prague, Czechia", 50.0755, 14.4378, "Europe/Prague"},
        {"Reykjavík, Iceland", 64.1466, -21.9426, "Atlantic/Reykjavik"},
        {"Rio de Janeiro, Brazil", -22.9068, -43.1729, "America/Sao_Paulo"},
        {"Rome, Italy", 41.9028, 12.4964, "Europe/Rome"},
        {"San Diego, USA", 32.7157, -117.1611, "America/Los_Angeles"},
        {"San Francisco, USA", 37.7749, -122.4194, "America/Los_Angeles"},
        {"San Jose, USA", 37.3382, -121.8863, "America/Los_Angeles"},
        {"Santiago, Chile", -33.4489, -70.6693, "America/Santiago"},
        {"São Paulo, Brazil", -23.5505, -46.6333, "America/Sao_Paulo"},
        {"Seattle, USA", 47.6062, -122.3321, "America/Los_Angeles"},
        {"Seoul, South Korea", 37.5665, 126.978, "Asia/Seoul"},
        {"Shanghai, China", 31.2304, 121.4737, "Asia/Shanghai"},
        {"Singapore", 1.3521, 103.8198, "Asia/Singapore"},
        {"Stockholm, Sweden", 59.3293, 18.0686, "Europe/Stockholm"},
        {"Sydney, Australia", -33.8688, 151.2093, "Australia/Sydney"},
        {"Taipei, Taiwan", 25.033, 121.5654, "Asia/Taipei"},
        {"Tel Aviv, Israel", 32.0853, 34.7818, "Asia/Jerusalem"},
        {"Tokyo, Japan", 35.6762, 139.6503, "Asia/Tokyo"},
        {"Toronto, Canada", 43.6532, -79.3832, "America/Toronto"},
        {"Tromsø, Norway", 69.6492, 18.9553, "Europe/Oslo"},
        {"Vancouver, Canada", 49.2827, -123.1207, "America/Vancouver"},
        {"Vienna, Austria", 48.2082, 16.3738, "Europe/Vienna"},
        {"Warsaw, Poland", 52.2297, 21.0122, "Europe/Warsaw"},
        {"Washington, D.C., USA", 38.9072, -77.0369, "America/New_York"},
        {"Zürich, Switzerland", 47.3769, 8.5417, "Europe/Zurich"},
    };
    return cities;
}

namespace {

// Case folded, then decomposed with the accents dropped, so that people who type without
// them ("zurich", "sao paulo") find the city as well as those who type them.
icu::UnicodeString folded(icu::UnicodeString text) {
    text.foldCase();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* decompose = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) return text;
    icu::UnicodeString parts = decompose->normalize(text, status);
    if (U_FAILURE(status)) return text;
    icu::UnicodeString result;
    for (int32_t i = 0; i < parts.length();) {
        const UChar32 c = parts.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) result.append(c);
        i += U16_LENGTH(c);
    }
    return result;
}

}  // namespace

std::vector<City> search(std::string_view query) {
    std::size_t first = 0, last = query.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (first < last && blank(query[first])) ++first;
    while (last > first && blank(query[last - 1])) --last;
    if (first == last) return all();

    const icu::UnicodeString needle = folded(icu::UnicodeString::fromUTF8(
        icu::StringPiece(query.data() + first, static_cast<int32_t>(last - first))));
    std::vector<City> result;
    for (const auto& city : all()) {
        if (folded(icu::UnicodeString::fromUTF8(city.name)).indexOf(needle) >= 0)
            result.push_back(city);
    }
    return result;
}

std::optional<City> guess(const TimeZone& zone) {
    std::string place;
    std::string_view rest = zone.identifier;
    while (!rest.empty()) {
        auto slash = rest.find('/');
        auto component = rest.substr(0, slash);
        if (!component.empty()) place = std::string(component);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    for (auto& c : place) {
        if (c == '_') c = ' ';
    }
    const City* firstCandidate = nullptr;
    for (const auto& city : all()) {
        if (city.timeZone != zone.identifier) continue;
        if (!firstCandidate) firstCandidate = &city;
        if (city.name.starts_with(place)) return city;
    }
    if (firstCandidate) return *firstCandidate;
    return std::nullopt;
}

double distanceKilometres(double latitudeA, double longitudeA, double latitudeB,
                          double longitudeB) {
    constexpr double earthRadius = 6371.0088;  // the mean radius, km
    constexpr double radians = std::numbers::pi / 180;
    // The haversine form stays exact for points a few metres apart, where the law of cosines
    // loses everything to rounding.
    const double dLatitude = (latitudeB - latitudeA) * radians;
    const double dLongitude = (longitudeB - longitudeA) * radians;
    const double h = std::pow(std::sin(dLatitude / 2), 2) +
                     std::cos(latitudeA * radians) * std::cos(latitudeB * radians) *
                         std::pow(std::sin(dLongitude / 2), 2);
    return 2 * earthRadius * std::asin(std::sqrt(std::min(1.0, h)));
}

std::optional<City> nearest(double latitude, double longitude, double radiusKilometres) {
    const City* best = nullptr;
    double bestDistance = radiusKilometres;
    for (const auto& city : all()) {
        const double distance =
            distanceKilometres(latitude, longitude, city.latitude, city.longitude);
        if (distance <= bestDistance && (!best || distance < bestDistance)) {
            best = &city;
            bestDistance = distance;
        }
    }
    if (!best) return std::nullopt;
    return *best;
}

}  // namespace vesperine::Cities
