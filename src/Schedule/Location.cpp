#include "Schedule/Location.h"

#include <cmath>

namespace vesperine {

bool Location::hasFiniteCoordinates() const {
    return std::isfinite(latitude) && std::isfinite(longitude);
}

Json JsonCodec<Location>::encode(const Location& location) {
    return Json{{"name", location.name},
                {"latitude", location.latitude},
                {"longitude", location.longitude}};
}

Result<Location> JsonCodec<Location>::decode(const Json& json) {
    auto name = json::string(json, "name");
    if (!name) return name.error();
    auto latitude = json::number(json, "latitude");
    if (!latitude) return latitude.error();
    auto longitude = json::number(json, "longitude");
    if (!longitude) return longitude.error();
    return Location{*name, *latitude, *longitude};
}

}  // namespace vesperine
