#include "Input/KeySymbols.h"

namespace vesperine::KeySymbols {

namespace {

struct Entry {
    std::uint32_t storedKeyCode;
    Symbol symbol;
};

constexpr Symbol f(int n) { return f1 + static_cast<Symbol>(n - 1); }
constexpr Symbol keypad(int digit) { return keypad0 + static_cast<Symbol>(digit); }

// The stored key codes are the virtual key codes of a US (ANSI) layout; each maps to what
// that key types there without modifiers.
constexpr Entry table[] = {
    {0, 'a'},   {1, 's'},   {2, 'd'},   {3, 'f'},   {4, 'h'},   {5, 'g'},   {6, 'z'},
    {7, 'x'},   {8, 'c'},   {9, 'v'},   {11, 'b'},  {12, 'q'},  {13, 'w'},  {14, 'e'},
    {15, 'r'},  {16, 'y'},  {17, 't'},  {18, '1'},  {19, '2'},  {20, '3'},  {21, '4'},
    {22, '6'},  {23, '5'},  {24, '='},  {25, '9'},  {26, '7'},  {27, '-'},  {28, '8'},
    {29, '0'},  {30, ']'},  {31, 'o'},  {32, 'u'},  {33, '['},  {34, 'i'},  {35, 'p'},
    {36, returnKey},        {37, 'l'},  {38, 'j'},  {39, '\''}, {40, 'k'},  {41, ';'},
    {42, '\\'}, {43, ','},  {44, '/'},  {45, 'n'},  {46, 'm'},  {47, '.'},  {48, tab},
    {49, ' '},  {50, '`'},  {51, backSpace},        {53, escape},
    {64, f(17)}, {65, keypadDecimal}, {67, keypadMultiply}, {69, keypadAdd},
    {72, volumeUp}, {73, volumeDown}, {74, volumeMute}, {75, keypadDivide}, {76, keypadEnter},
    {78, keypadSubtract}, {79, f(18)}, {80, f(19)}, {81, keypadEqual},
    {82, keypad(0)}, {83, keypad(1)}, {84, keypad(2)}, {85, keypad(3)}, {86, keypad(4)},
    {87, keypad(5)}, {88, keypad(6)}, {89, keypad(7)}, {90, f(20)}, {91, keypad(8)},
    {92, keypad(9)}, {96, f(5)},  {97, f(6)},  {98, f(7)},  {99, f(3)},  {100, f(8)},
    {101, f(9)}, {103, f(11)}, {105, f(13)}, {106, f(16)}, {107, f(14)}, {109, f(10)},
    {111, f(12)}, {113, f(15)},
    // The help key sits where PC keyboards have Insert.
    {114, insert}, {115, home}, {116, pageUp}, {117, deleteKey}, {118, f(4)}, {119, end},
    {120, f(2)}, {121, pageDown}, {122, f(1)}, {123, left}, {124, right}, {125, down},
    {126, up},
};

// Symbols a recorder may see for a key whose unmodified symbol is another one: the keypad
// with Num Lock off, Tab with shift.
constexpr Entry aliases[] = {
    {82, keypadInsert}, {83, keypadEnd},   {84, keypadDown},  {85, keypadPageDown},
    {86, keypadLeft},   {87, keypadBegin}, {88, keypadRight}, {89, keypadHome},
    {91, keypadUp},     {92, keypadPageUp}, {65, keypadDelete}, {48, leftTab},
};

}  // namespace

std::optional<Symbol> forStoredKeyCode(std::uint32_t storedKeyCode) {
    for (const auto& entry : table) {
        if (entry.storedKeyCode == storedKeyCode) return entry.symbol;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> storedKeyCodeFor(Symbol symbol) {
    if (symbol >= 'A' && symbol <= 'Z') symbol += 'a' - 'A';
    for (const auto& entry : table) {
        if (entry.symbol == symbol) return entry.storedKeyCode;
    }
    for (const auto& entry : aliases) {
        if (entry.symbol == symbol) return entry.storedKeyCode;
    }
    return std::nullopt;
}

}  // namespace vesperine::KeySymbols
