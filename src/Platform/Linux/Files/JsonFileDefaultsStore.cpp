#include "Platform/Linux/Files/JsonFileDefaultsStore.h"

#include <glib.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "Support/Json.h"

namespace vesperine {

namespace {

std::string toBase64(std::string_view bytes) {
    std::unique_ptr<gchar, decltype(&g_free)> text(
        g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()), g_free);
    return text.get();
}

// GLib skips characters outside the alphabet and decodes what is left; an entry damaged by
// hand must read as absent instead, so only the standard alphabet with its padding passes.
std::optional<std::string> fromBase64(const std::string& text) {
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t body = text.find_last_not_of('=') + 1;
    if (text.size() % 4 != 0 || text.size() - body > 2 || text.find_first_not_of(alphabet) < body)
        return std::nullopt;
    gsize size = 0;
    std::unique_ptr<guchar, decltype(&g_free)> bytes(g_base64_decode(text.c_str(), &size), g_free);
    return std::string(reinterpret_cast<const char*>(bytes.get()), size);
}

// An object with one member named "$..." is a value in our own wrapping ($data, $double,
// or a newer version's), never a record.
bool isWrapped(const Json& j) {
    return j.is_object() && j.size() == 1 && j.begin().key().starts_with('$');
}

// Bytes that are the compact text of a JSON object or list (as every settings record is) go
// into the file as that tree, so the file reads and edits by hand. Only text that the tree
// writes back byte for byte qualifies: whitespace, key order or a number spelled another way
// would otherwise change what a caller reads back, so such bytes stay base64.
std::optional<Json> asRecord(const std::string& bytes) {
    if (bytes.empty() || (bytes.front() != '{' && bytes.front() != '[')) return std::nullopt;
    auto tree = json::parse(bytes);
    if (!tree || isWrapped(*tree)) return std::nullopt;
    auto text = json::serialize(*tree);
    if (!text || *text != bytes) return std::nullopt;
    return std::move(tree).value();
}

Json toJson(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> Json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Data>) {
                if (auto record = asRecord(v.bytes)) return std::move(*record);
                return Json{{"$data", toBase64(v.bytes)}};
            } else if constexpr (std::is_same_v<T, double>) {
                if (std::isnan(v)) return Json{{"$double", "nan"}};
                if (std::isinf(v)) return Json{{"$double", v > 0 ? "inf" : "-inf"}};
                return Json(v);
            } else {
                return Json(v);
            }
        },
        value);
}

std::optional<DefaultsValue> fromJson(const Json& j) {
    if (j.is_boolean()) return DefaultsValue(j.get<bool>());
    // The parser gives every non-negative integer the unsigned type; those that fit are the
    // integers we wrote, not numbers.
    if (j.is_number_unsigned() &&
        j.get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return DefaultsValue(static_cast<std::int64_t>(j.get<std::uint64_t>()));
    if (j.is_number_integer() && !j.is_number_unsigned()) return DefaultsValue(j.get<std::int64_t>());
    if (j.is_number()) return DefaultsValue(j.get<double>());
    if (j.is_string()) return DefaultsValue(j.get<std::string>());
    if ((j.is_object() && !isWrapped(j)) || j.is_array()) {
        // A record, as written or edited by hand: its bytes are its compact text. One
        // holding a number JSON cannot write back (1e999) is left as read.
        if (auto text = json::serialize(j)) return DefaultsValue(Data{std::move(text).value()});
        return std::nullopt;
    }
    if (j.is_object()) {
        if (auto it = j.find("$data"); it != j.end() && it->is_string()) {
            if (auto bytes = fromBase64(it->get<std::string>())) return DefaultsValue(Data{*bytes});
        }
        if (auto it = j.find("$double"); it != j.end() && it->is_string()) {
            const auto& s = it->get_ref<const std::string&>();
            if (s == "nan") return DefaultsValue(std::nan(""));
            if (s == "inf") return DefaultsValue(INFINITY);
            if (s == "-inf") return DefaultsValue(-INFINITY);
        }
    }
    return std::nullopt;  // a value of a form we do not know is skipped, not fatal
}

}  // namespace

JsonFileDefaultsStore::JsonFileDefaultsStore(FileSystem& files, Logger& logger, std::string path,
                                             Writes writes)
    : files_(files),
      log_(logger, "store"),
      path_(std::move(path)),
      readOnly_(writes == Writes::thisRunOnly) {
    load();
}

Result<std::unique_ptr<const DefaultsStore>> JsonFileDefaultsStore::openReadOnly(
    FileSystem& files, Logger& logger, std::string path) {
    std::unique_ptr<JsonFileDefaultsStore> store(
        new JsonFileDefaultsStore(files, logger, std::move(path), Writes::thisRunOnly));
    if (store->readOnlyError_) return *store->readOnlyError_;
    if (!store->found_) return std::unique_ptr<const DefaultsStore>();
    return std::unique_ptr<const DefaultsStore>(std::move(store));
}

void JsonFileDefaultsStore::load() {
    ReadResult read = files_.read(path_);
    found_ = read.ok || read.failure == ReadFailure::unreadable;
    if (!read.ok && readOnly_) {
        if (found_) readOnlyError_ = Error{read.description};
        return;
    }
    if (!read.ok) {
        if (read.failure == ReadFailure::unreadable) {
            readFailed_ = true;
            log_.error("Couldn't read defaults: %s", read.description.c_str());
        }
        return;
    }
    auto tree = json::parse(read.bytes);
    if (!tree || !tree->is_object()) {
        if (readOnly_) {
            const std::string why = tree ? "it holds no settings" : tree.error().description;
            readOnlyError_ = Error{"\"" + path_ + "\" is damaged: " + why};
            return;
        }
        auto aside = files_.moveAside(path_, ".corrupt");
        if (aside) {
            log_.error("Couldn't read defaults: the file is damaged; kept it as %s", aside->c_str());
        } else {
            readFailed_ = true;
            log_.error("Couldn't read defaults and couldn't keep the damaged file aside: %s",
                       aside.error().description.c_str());
        }
        return;
    }
    onDisk_ = std::move(read.bytes);
    for (const auto& item : tree->items()) adopt(item.key(), item.value());
}

void JsonFileDefaultsStore::adopt(const std::string& key, const Json& entry) {
    auto v = fromJson(entry);
    // A record an earlier build kept as base64 is written nested from the next save on.
    file_[key] = v && std::holds_alternative<Data>(*v) ? toJson(*v) : entry;
    if (v) {
        values_.insert_or_assign(key, std::move(*v));
    } else if (auto it = values_.find(key); it != values_.end()) {
        values_.erase(it);
    }
}

Status JsonFileDefaultsStore::takeInHandEdits() {
    ReadResult read = files_.read(path_);
    if (!read.ok && read.failure == ReadFailure::unreadable) {
        // Whatever is there now was never seen: writing would lose it.
        return Error{read.description + "; left as it is"};
    }
    std::optional<std::string> now;
    if (read.ok) now = std::move(read.bytes);
    if (now == onDisk_) return success();

    Json disk = Json::object();
    if (now) {
        auto tree = json::parse(*now);
        if (!tree || !tree->is_object()) {
            auto aside = files_.moveAside(path_, ".corrupt");
            if (!aside) {
                return Error{"it was changed by hand, does not read as settings and couldn't be "
                             "kept aside: " + aside.error().description};
            }
            log_.error("The defaults file was changed by hand and does not read as settings; "
                       "kept it as %s and saved the settings in use", aside->c_str());
            onDisk_.reset();
            return success();
        }
        disk = std::move(tree).value();
    }
    // Keys the person changed or added take their value, and keys they removed stay removed,
    // except where this run changed the same key since.
    for (const auto& item : disk.items()) {
        if (!changed_.contains(item.key())) adopt(item.key(), item.value());
    }
    std::vector<std::string> removed;
    for (const auto& item : file_.items()) {
        const std::string& key = item.key();
        if (!disk.contains(key) && !changed_.contains(key)) removed.push_back(key);
    }
    for (const auto& key : removed) {
        file_.erase(key);
        if (auto it = values_.find(key); it != values_.end()) values_.erase(it);
    }
    log_.notice("Took in the changes made to %s since it was last read", path_.c_str());
    onDisk_ = std::move(now);
    takenIn_ = true;
    return success();
}

bool JsonFileDefaultsStore::reload() {
    if (readOnly_) return false;
    const Json before = file_;
    // A file unreadable at start may be readable now; this run's changes then join it.
    const bool wasUnreadable = std::exchange(readFailed_, false);
    if (auto merged = takeInHandEdits(); !merged) {
        readFailed_ = wasUnreadable;
        log_.error("Couldn't read the defaults changed by hand: %s",
                   merged.error().description.c_str());
        return false;
    }
    // Changes not written yet, or a damaged edit just kept aside: the file must hold the
    // settings in use, or the next start would not find them.
    if (!changed_.empty() || (!onDisk_ && !file_.empty())) save();
    // A save in the moment before may have taken the edit in already: it is news all the same.
    return std::exchange(takenIn_, false) || file_ != before;
}

std::optional<DefaultsValue> JsonFileDefaultsStore::value(std::string_view key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void JsonFileDefaultsStore::set(std::string_view key, DefaultsValue value) {
    auto it = values_.find(key);
    Json form = toJson(value);
    // Compare in file form so NaN == NaN here, and by type so an integer does not stand for
    // the equal number: an equal value never rewrites the file.
    if (it != values_.end() && it->second.index() == value.index() && toJson(it->second) == form)
        return;
    values_.insert_or_assign(std::string(key), std::move(value));
    file_[std::string(key)] = std::move(form);
    changed_.emplace(key);
    save();
}

void JsonFileDefaultsStore::remove(std::string_view key) {
    // Also an entry of a form we do not know: whoever removes a key wants it gone.
    if (file_.erase(std::string(key)) == 0) return;
    if (auto it = values_.find(key); it != values_.end()) values_.erase(it);
    changed_.emplace(key);
    save();
}

void JsonFileDefaultsStore::save() {
    if (readOnly_) return;
    if (readFailed_) {
        // We never saw what is in the file, so writing would lose it. Keep changes in memory
        // for this run and say so once.
        if (!warnedUnsaved_) {
            log_.error("Couldn't save defaults: %s could not be read and is left as it is",
                       path_.c_str());
            warnedUnsaved_ = true;
        }
        writeFailure_.set("\"" + path_ + "\" could not be read and is left as it is");
        return;
    }
    if (auto merged = takeInHandEdits(); !merged) {
        failed(merged.error().description);
        return;
    }
    // Checked first: a number JSON cannot hold is refused rather than written as null.
    if (auto text = json::serialize(file_); !text) {
        failed(text.error().description);
        return;
    }
    // Indented, one member a line, for reading and editing by hand.
    std::string text = file_.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    if (auto written = files_.writeAtomically(path_, text); !written) {
        failed(written.error().description);
        return;
    }
    onDisk_ = std::move(text);
    changed_.clear();
    writeFailure_.set(std::nullopt);
}

void JsonFileDefaultsStore::failed(std::string reason) {
    log_.error("Couldn't save defaults: %s", reason.c_str());
    writeFailure_.set(std::move(reason));
}

}  // namespace vesperine
