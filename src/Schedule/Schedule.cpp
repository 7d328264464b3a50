#include "Schedule/Schedule.h"

namespace vesperine {

Json JsonCodec<Schedule>::encode(const Schedule& schedule) {
    Json keyframes = Json::array();
    for (const auto& keyframe : schedule.keyframes) keyframes.push_back(JsonCodec<Keyframe>::encode(keyframe));
    return Json{{"id", schedule.id.string()},
                {"name", schedule.name},
                {"keyframes", std::move(keyframes)},
                {"isBuiltIn", schedule.isBuiltIn}};
}

Result<Schedule> JsonCodec<Schedule>::decode(const Json& json) {
    auto id = json::uuid(json, "id");
    if (!id) return id.error();
    auto name = json::string(json, "name");
    if (!name) return name.error();
    auto list = json::member(json, "keyframes");
    if (!list) return list.error();
    if (!(*list)->is_array()) return Error{"Expected an array for \"keyframes\"."};
    Schedule schedule{*id, *name, {}, false};
    schedule.keyframes.reserve((*list)->size());
    for (const auto& item : **list) {
        auto keyframe = JsonCodec<Keyframe>::decode(item);
        if (!keyframe) return keyframe.error();
        schedule.keyframes.push_back(*keyframe);
    }
    auto builtIn = json::boolean(json, "isBuiltIn");
    if (!builtIn) return builtIn.error();
    schedule.isBuiltIn = *builtIn;
    return schedule;
}

}  // namespace vesperine
