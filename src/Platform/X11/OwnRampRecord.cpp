#include "Platform/X11/OwnRampRecord.h"

#include <cmath>
#include <cstdlib>

#include "Support/Json.h"

namespace vesperine {

namespace {

constexpr int format = 1;
constexpr std::size_t largestRamp = 65536;

// ":0", ":0.0" and "unix:0" name the same server.
std::string normalised(std::string display) {
    const auto colon = display.rfind(':');
    if (colon == std::string::npos) return display;
    if (const auto dot = display.find('.', colon); dot != std::string::npos) display.resize(dot);
    if (display.compare(0, colon, "unix") == 0) display.erase(0, colon);
    return display;
}

std::string fileNamePart(const std::string& display) {
    std::string part = display.starts_with(':') ? display.substr(1) : display;
    for (char& c : part) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (!plain) c = '_';
    }
    return part;
}

Json encodeChannel(const std::vector<float>& values) {
    Json out = Json::array();
    for (float v : values) out.push_back(std::lround(double(v) * 65535.0));
    return out;
}

Result<std::vector<float>> decodeChannel(const Json& entry, const char* name) {
    auto found = json::member(entry, name);
    if (!found) return found.error();
    const Json& values = **found;
    if (!values.is_array() || values.size() < 2 || values.size() > largestRamp)
        return Error{std::string("\"") + name + "\" is not a ramp"};
    std::vector<float> channel;
    channel.reserve(values.size());
    for (const Json& v : values) {
        if (!v.is_number_unsigned() || v.get<std::uint64_t>() > 65535)
            return Error{std::string("\"") + name + "\" holds a value outside 0...65535"};
        channel.push_back(float(v.get<std::uint64_t>()) / 65535.0f);
    }
    return channel;
}

Result<OwnRampRecord::Entry> decodeEntry(const Json& item) {
    if (!item.is_object()) return Error{"an output is not an object"};
    auto name = json::string(item, "name");
    auto edid = json::string(item, "edid");
    auto size = json::integer(item, "gammaSize");
    if (!name) return name.error();
    if (!edid) return edid.error();
    if (!size) return size.error();
    if (*size < 2 || *size > std::int64_t(largestRamp)) return Error{"a bad gamma size"};
    auto r = decodeChannel(item, "red");
    auto g = decodeChannel(item, "green");
    auto b = decodeChannel(item, "blue");
    if (!r) return r.error();
    if (!g) return g.error();
    if (!b) return b.error();
    if (r->size() != g->size() || r->size() != b->size())
        return Error{"channels of different lengths"};
    return OwnRampRecord::Entry{OwnRampRecord::Output{*name, *edid, int(*size)},
                                {std::move(*r), std::move(*g), std::move(*b)}};
}

struct Decoded {
    std::string display, server;
    std::map<std::string, OwnRampRecord::Entry> entries;
};

Result<Decoded> decodeRecord(const std::string& bytes) {
    auto tree = json::parse(bytes);
    if (!tree) return tree.error();
    if (!tree->is_object()) return Error{"not an object"};
    auto version = json::integer(*tree, "format");
    if (!version) return version.error();
    if (*version != format) return Error{"a format of another version"};
    auto display = json::string(*tree, "display");
    auto server = json::string(*tree, "server");
    auto outputs = json::member(*tree, "outputs");
    if (!display) return display.error();
    if (!server) return server.error();
    if (!outputs) return outputs.error();
    if (!(*outputs)->is_array()) return Error{"\"outputs\" is not a list"};
    Decoded decoded{*display, *server, {}};
    for (const Json& item : **outputs) {
        auto entry = decodeEntry(item);
        if (!entry) return entry.error();
        decoded.entries[entry->output.name] = std::move(entry).value();
    }
    return decoded;
}

}  // namespace

OwnRampRecord::OwnRampRecord(FileSystem& files, Logger& logger, std::string folder,
                             std::string bundleId)
    : files_(files),
      log_(logger, "gamma"),
      folder_(std::move(folder)),
      bundleId_(std::move(bundleId)) {}

std::string OwnRampRecord::runtimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    return value != nullptr && value[0] == '/' ? value : "";
}

void OwnRampRecord::open(const std::string& display, const std::string& server) {
    if (opened_) return;
    opened_ = true;
    display_ = normalised(display);
    server_ = server;
    if (folder_.empty()) {
        log_.notice(
            "XDG_RUNTIME_DIR is not set: the ramps on screen are taken as the outputs' "
            "own, even where a run that was killed left its tint");
        return;
    }
    path_ = folder_ + "/" + bundleId_ + ".ramps." + fileNamePart(display_) + ".json";
    load();
}

void OwnRampRecord::load() {
    ReadResult read = files_.read(path_);
    if (!read.ok) {
        if (read.failure == ReadFailure::unreadable)
            log_.error("Ignoring the ramp record: %s", read.description.c_str());
        return;
    }
    auto decoded = decodeRecord(read.bytes);
    if (!decoded) {
        log_.error("Ignoring the damaged ramp record %s: %s", path_.c_str(),
                   decoded.error().description.c_str());
    } else if (decoded->display != display_ || decoded->server != server_) {
        // Another server start (or a display sharing this file name): nothing in it applies.
        log_.notice("Ignoring the ramp record %s: it is of another start of the X server",
                    path_.c_str());
    } else {
        entries_ = std::move(decoded).value().entries;
        return;
    }
    save();  // drops what was there
}

std::optional<GammaTable::Channels> OwnRampRecord::recall(const Output& output) {
    auto found = entries_.find(output.name);
    if (found == entries_.end()) return std::nullopt;
    if (found->second.output != output) {
        log_.notice("Dropped the recorded ramp of %s: the output has changed since",
                    output.name.c_str());
        entries_.erase(found);
        save();
        return std::nullopt;
    }
    log_.notice("%s: restoring the own ramp recorded by an earlier run", output.name.c_str());
    return found->second.ramp;
}

bool OwnRampRecord::keep(const Output& output, const GammaTable::Channels& ramp) {
    if (path_.empty()) return false;
    auto found = entries_.find(output.name);
    if (found != entries_.end() && found->second.output == output && found->second.ramp == ramp)
        return true;
    entries_[output.name] = Entry{output, ramp};
    return save();
}

void OwnRampRecord::release(const std::vector<std::string>& names) {
    std::size_t erased = 0;
    for (const auto& name : names) erased += entries_.erase(name);
    if (erased > 0) save();
}

bool OwnRampRecord::save() {
    if (path_.empty()) return false;
    Json outputs = Json::array();
    for (const auto& [name, entry] : entries_) {
        outputs.push_back({{"name", name},
                           {"edid", entry.output.edid},
                           {"gammaSize", entry.output.gammaSize},
                           {"red", encodeChannel(entry.ramp.r)},
                           {"green", encodeChannel(entry.ramp.g)},
                           {"blue", encodeChannel(entry.ramp.b)}});
    }
    const Json tree = {
        {"format", format}, {"display", display_}, {"server", server_}, {"outputs", outputs}};
    auto text = json::serialize(tree);
    Status written = text ? files_.writeAtomically(path_, *text) : Status(text.error());
    if (written) {
        writeFailing_ = false;
        return true;
    }
    // Logged once until a write succeeds again (each failure names another temporary file).
    if (!writeFailing_) {
        writeFailing_ = true;
        log_.error("Couldn't record the outputs' own ramps: %s",
                   written.error().description.c_str());
    }
    return false;
}

}  // namespace vesperine
