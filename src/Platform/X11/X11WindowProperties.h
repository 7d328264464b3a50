#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <optional>
#include <string>
#include <vector>

#include "Support/Result.h"

namespace vesperine {

// One property of a window as the server holds it, or the part of it that was read.
struct X11Property {
    Atom type = 0;
    int format = 0;                     // 8, 16 or 32
    std::vector<unsigned long> values;  // format 16 and 32
    std::string bytes;                  // format 8
    bool truncated = false;             // longer than the reader asked for

    // The first value of a format-32 property of `expected` type (WINDOW, CARDINAL, ...).
    std::optional<unsigned long> single(Atom expected) const;
    // Every value of a format-32 property of `expected` type.
    std::optional<std::vector<unsigned long>> list(Atom expected) const;
    // A whole format-8 property of any text type (STRING, UTF8_STRING), less trailing NULs;
    // none when it is empty, cut short or not text.
    std::optional<std::string> text() const;
    // The NUL-separated strings of a whole format-8 property (WM_CLASS).
    std::vector<std::string> strings() const;
};

// Reads window properties, each with one request. A window that has gone away, or any other
// failed request, gives an error instead of a property; the caller holds an X11ErrorTrap
// around its reads so that the error is not reported as a fault.
class X11WindowProperties {
public:
    explicit X11WindowProperties(Display* display) : display_(display) {}

    // At most `maxLength` 32-bit units of the property (longer ones come back truncated).
    // None when the window has no such property.
    Result<std::optional<X11Property>> read(Window window, Atom property, long maxLength) const;

private:
    Display* display_;
};

}  // namespace vesperine
