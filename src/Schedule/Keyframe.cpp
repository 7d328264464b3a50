#include "Schedule/Keyframe.h"

namespace vesperine {

Json JsonCodec<Keyframe>::encode(const Keyframe& keyframe) {
    return Json{{"id", keyframe.id.string()},
                {"time", JsonCodec<TimeAnchor>::encode(keyframe.time)},
                {"mode", JsonCodec<DisplayMode>::encode(keyframe.mode)},
                {"transitionMinutes", keyframe.transitionMinutes}};
}

Result<Keyframe> JsonCodec<Keyframe>::decode(const Json& json) {
    auto id = json::uuid(json, "id");
    if (!id) return id.error();
    auto time = json::decodeMember<TimeAnchor>(json, "time");
    if (!time) return time.error();
    auto mode = json::decodeMember<DisplayMode>(json, "mode");
    if (!mode) return mode.error();
    auto minutes = json::integer(json, "transitionMinutes");
    if (!minutes) return minutes.error();
    return Keyframe(*id, *time, *mode, *minutes);
}

}  // namespace vesperine
