#include "cli/TerminalText.h"

#include <cstdint>
#include <cstdio>

namespace kestrovane::cli {

namespace {

void AppendEscaped(std::string& shown, unsigned char byte) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    shown += text;
}

// The length of the valid UTF-8 sequence at `at`, or 0 when the bytes there
// are not one (overlong forms, surrogates and code points past U+10FFFF
// included).
std::size_t SequenceLength(std::string_view text, std::size_t at, uint32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF) return 0;
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
    return length;
}

std::string Shown(std::string_view text, bool keepLines) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        uint32_t codePoint = 0;
        const std::size_t length = SequenceLength(text, at, codePoint);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            AppendEscaped(shown, byte);
            ++at;
            continue;
        }
        const bool kept = keepLines && (codePoint == '\n' || codePoint == '\t');
        const bool control = codePoint < 0x20 || codePoint == 0x7F ||
                             (codePoint >= 0x80 && codePoint <= 0x9F);
        if (control && !kept) {
            for (std::size_t k = 0; k < length; ++k) {
                AppendEscaped(shown, static_cast<unsigned char>(text[at + k]));
            }
        } else {
            shown.append(text.substr(at, length));
        }
        at += length;
    }
    return shown;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
    return Shown(text, false);
}

std::string TerminalSafeLines(std::string_view text) {
    return Shown(text, true);
}

}  // namespace kestrovane::cli
