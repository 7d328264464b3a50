#include "Support/SafeText.h"

#include <algorithm>
#include <cstdio>

namespace vesperine::SafeText {

namespace {

// One step through UTF-8 (the well-formed sequences of the Unicode standard's table 3-7:
// no overlong form, no surrogate, nothing past U+10FFFF). An ill-formed sequence is as long
// as its maximal subpart, the longest start of it that could still have become well formed,
// so one bad byte never swallows the good text after it.
struct Step {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

Step decode(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
        if (lead == 0xED) high = 0x9F;  // U+D800 to U+DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong below U+10000
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size()) return {0, i, false};
        const unsigned next = byte(at + i);
        if (next < low || next > high) return {0, i, false};
        low = 0x80;
        high = 0xBF;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return {codePoint, length, true};
}

bool isNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

bool isBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Printable ASCII needs no look at all: most log lines are nothing else.
bool plainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

void appendEscape(std::string& out, const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    out += text;
}

}  // namespace

std::string forBus(std::string_view text) {
    if (plainAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Step step = decode(text, at);
        if (!step.valid || step.codePoint == 0 || isNoncharacter(step.codePoint)) {
            out += replacement;
        } else {
            out.append(text.substr(at, step.length));
        }
        at += step.length;
    }
    return out;
}

std::string forPeople(std::string_view text) {
    if (plainAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Step step = decode(text, at);
        const char32_t c = step.codePoint;
        if (!step.valid) {
            for (std::size_t i = 0; i < step.length; ++i)
                appendEscape(out, "\\x%02X", static_cast<unsigned char>(text[at + i]));
        } else if (c < 0x20 || c == 0x7F) {
            appendEscape(out, "\\x%02X", static_cast<unsigned>(c));
        } else if ((c >= 0x80 && c <= 0x9F) || isBidiControl(c)) {
            appendEscape(out, "\\u%04X", static_cast<unsigned>(c));
        } else {
            out.append(text.substr(at, step.length));
        }
        at += step.length;
    }
    return out;
}

}  // namespace vesperine::SafeText
