#include "FakeCodePage.h"

#include <array>
#include <cstdint>

namespace kestrovane::testing {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kUndefined = 0;

// Bytes 0x80-0x9F of windows-1252; the others are their own code points.
constexpr std::array<char32_t, 32> kHighTable{
    0x20AC, kUndefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030,     0x0160, 0x2039, 0x0152, kUndefined, 0x017D, kUndefined,
    kUndefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122,     0x0161, 0x203A, 0x0153, kUndefined, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character at `at`, moving past it; nothing for a byte that starts no
// valid character (moving past that byte only).
std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<uint8_t>(text[at++]);
    if (lead < 0x80) return lead;
    int more = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + static_cast<std::size_t>(more) > text.size()) return std::nullopt;
    for (int i = 0; i < more; ++i) {
        const auto next = static_cast<uint8_t>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    at += static_cast<std::size_t>(more);
    return c;
}

std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

std::string WindowTextOf(std::string_view utf8) {
    utf8 = UpToNul(utf8);
    std::string shown;
    for (std::size_t at = 0; at < utf8.size();) {
        AppendUtf8(shown, NextCharacter(utf8, at).value_or(kReplacement));
    }
    return shown;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string text;
    for (const char byte : UpToNul(bytes)) {
        const auto b = static_cast<uint8_t>(byte);
        char32_t c = b;
        if (b >= 0x80 && b < 0xA0) c = kHighTable[b - 0x80];
        AppendUtf8(text, c == kUndefined ? kReplacement : c);
    }
    return text;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> c = NextCharacter(utf8, at);
        if (!c) return std::nullopt;
        if (*c < 0x80 || (*c >= 0xA0 && *c <= 0xFF)) {
            bytes += static_cast<char>(*c);
            continue;
        }
        std::size_t index = 0;
        while (index < kHighTable.size() && kHighTable[index] != *c) ++index;
        if (index == kHighTable.size() || *c == kUndefined) return std::nullopt;
        bytes += static_cast<char>(0x80 + index);
    }
    return bytes;
}

}  // namespace kestrovane::testing
