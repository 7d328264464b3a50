// The defaults file as the store reads it at start-up: whatever the bytes, loading must not
// crash, every value that loaded must read back the same after the store rewrites the file, and
// the rewritten file must hold every other entry as it was, whatever its form.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Support/Json.h"

namespace {

// Equal as stored: doubles by their bits, so that NaN equals NaN.
bool same(const vesperine::DefaultsValue& a, const vesperine::DefaultsValue& b) {
    const auto* x = std::get_if<double>(&a);
    const auto* y = std::get_if<double>(&b);
    if (x && y) return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(*y);
    return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vesperine;
    const std::string path = "/config/defaults.json";
    const std::string text(reinterpret_cast<const char*>(data), size);
    MemoryFileSystem files;
    files.put(path, text);
    CapturingLogger logger;
    JsonFileDefaultsStore store(files, logger, path);
    auto tree = json::parse(text);
    if (!logger.lines().empty() || !tree || !tree->is_object()) return 0;

    // Any change rewrites the whole file from what was loaded.
    const char* marker = "\x01 fuzz marker";
    if (tree->contains(marker)) return 0;
    store.set(marker, true);
    JsonFileDefaultsStore again(files, logger, path);
    if (!logger.lines().empty()) std::abort();
    for (const auto& [key, value] : tree->items()) {
        auto before = store.value(key);
        auto after = again.value(key);
        if (before.has_value() != after.has_value() || (before && !same(*before, *after)))
            std::abort();
    }
    Json expected = *tree;
    expected[marker] = true;
    auto reread = json::parse(files.files().at(path));
    if (!reread) std::abort();
    Json rewritten = std::move(reread).value();
    // Data may change form (base64 becomes nested JSON); its value was compared above.
    for (const auto& [key, value] : tree->items()) {
        if (auto loaded = store.value(key); loaded && std::holds_alternative<Data>(*loaded)) {
            expected.erase(key);
            rewritten.erase(key);
        }
    }
    if (rewritten != expected) std::abort();
    return 0;
}
