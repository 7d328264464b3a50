#pragma once

#include <string>
#include <string_view>

namespace vesperine {

// Text that came from outside (a schedule name from the file, an application's name from its
// desktop entry or its window, whatever owns a bus name) made safe for where it goes next.
// The stored text is never changed: these make copies on the way out. Pure and total; any
// byte string is accepted.
namespace SafeText {

// For a D-Bus string: valid UTF-8 holding no NUL, no surrogate and no noncharacter
// (U+FDD0 to U+FDEF, and the last two code points of every plane), since the bus refuses a
// message that carries one. Each such code point, and each byte that does not begin or
// continue a valid UTF-8 sequence, becomes U+FFFD.
std::string forBus(std::string_view text);

// For a person, on a terminal or in the log: every control character made visible, so a
// name cannot move the cursor, clear the screen, retitle the window, start a line of its own
// or turn the rest of the line around. C0 controls and DEL show as "\x1B", C1 controls and
// the bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069)
// as "\u202E", and a byte that is not valid UTF-8 as "\xFF". Everything else, noncharacters
// included, is kept as it is.
std::string forPeople(std::string_view text);

}  // namespace SafeText
}  // namespace vesperine
