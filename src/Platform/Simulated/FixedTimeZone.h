#pragma once

#include "Platform/TimeZoneSource.h"

namespace vesperine {

// A time zone set by the test.
class FixedTimeZone final : public TimeZoneSource {
public:
    explicit FixedTimeZone(std::string identifier = "UTC") : zone_{std::move(identifier)} {}
    TimeZone current() const override { return zone_; }
    void set(std::string identifier) { zone_ = TimeZone{std::move(identifier)}; }

private:
    TimeZone zone_;
};

}  // namespace vesperine
