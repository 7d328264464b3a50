#include "Platform/X11/X11WindowProperties.h"

namespace vesperine {

std::optional<unsigned long> X11Property::single(Atom expected) const {
    if (type != expected || format != 32 || values.empty()) return std::nullopt;
    return values.front();
}

std::optional<std::vector<unsigned long>> X11Property::list(Atom expected) const {
    if (type != expected || format != 32) return std::nullopt;
    return values;
}

std::optional<std::string> X11Property::text() const {
    if (format != 8 || truncated) return std::nullopt;
    std::string out = bytes;
    while (!out.empty() && out.back() == '\0') out.pop_back();
    if (out.empty()) return std::nullopt;
    return out;
}

std::vector<std::string> X11Property::strings() const {
    std::vector<std::string> out;
    if (format != 8 || truncated) return out;
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        out.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

Result<std::optional<X11Property>> X11WindowProperties::read(Window window, Atom property,
                                                             long maxLength) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display_, window, property, 0, maxLength, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data);
    if (status != Success) {
        return Error{"Couldn't read a property of window " + std::to_string(window)};
    }
    if (type == 0) {  // no such property
        if (data) XFree(data);
        return std::optional<X11Property>();
    }
    X11Property out;
    out.type = type;
    out.format = format;
    out.truncated = after > 0;
    if (data != nullptr) {
        // Xlib hands format-32 data back as longs and format-16 data as shorts, whatever
        // their size on the wire.
        if (format == 32) {
            const auto* longs = reinterpret_cast<const long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                out.values.push_back(static_cast<unsigned long>(longs[i]));
        } else if (format == 16) {
            const auto* shorts = reinterpret_cast<const unsigned short*>(data);
            for (unsigned long i = 0; i < count; ++i) out.values.push_back(shorts[i]);
        } else {
            out.bytes.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    return std::optional<X11Property>(std::move(out));
}

}  // namespace vesperine
