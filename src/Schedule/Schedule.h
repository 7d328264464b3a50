#pragma once

#include <string>
#include <vector>

#include "Schedule/Keyframe.h"
#include "Support/Json.h"
#include "Support/Uuid.h"

namespace vesperine {

// A named list of steps. The keyframes keep the order they were added in: it carries no time
// meaning except breaking ties between steps that fall on the same instant.
struct Schedule {
    Uuid id = Uuid::random();
    std::string name;
    std::vector<Keyframe> keyframes;
    bool isBuiltIn = false;

    bool operator==(const Schedule&) const = default;
};

template <>
struct JsonCodec<Schedule> {
    static Json encode(const Schedule& schedule);
    static Result<Schedule> decode(const Json& json);
};

}  // namespace vesperine
