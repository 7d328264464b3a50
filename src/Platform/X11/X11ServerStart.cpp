#include "Platform/X11/X11ServerStart.h"

#include <random>

namespace vesperine::X11ServerStart {

namespace {

constexpr std::size_t tokenLength = 32;

std::string readToken(Display* display, Window root, Atom atom) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string token;
    if (XGetWindowProperty(display, root, atom, 0, tokenLength / 4, False, AnyPropertyType, &type,
                           &format, &items, &after, &data) == Success &&
        data != nullptr && format == 8) {
        token.assign(reinterpret_cast<const char*>(data), items);
    }
    if (data != nullptr) XFree(data);
    return token;
}

std::string freshToken() {
    std::random_device random;
    static constexpr char digits[] = "0123456789abcdef";
    std::string token;
    for (std::size_t i = 0; i < tokenLength; ++i) token += digits[random() % 16];
    return token;
}

}  // namespace

std::optional<std::string> identify(X11Connection& connection) {
    if (!connection.isAlive()) return std::nullopt;
    Display* display = connection.display();
    X11ErrorTrap trap(display);
    const Atom atom = XInternAtom(display, property, False);
    std::string token = readToken(display, connection.root(), atom);
    if (token.size() < tokenLength) {
        const std::string fresh = freshToken();
        XChangeProperty(display, connection.root(), atom, XA_STRING, 8, PropModeAppend,
                        reinterpret_cast<const unsigned char*>(fresh.data()),
                        static_cast<int>(fresh.size()));
        token = readToken(display, connection.root(), atom);
    }
    if (!trap.check() || token.size() < tokenLength) return std::nullopt;
    return std::string(ServerVendor(display)) + " " + std::to_string(VendorRelease(display)) + " " +
           token.substr(0, tokenLength);
}

}  // namespace vesperine::X11ServerStart
