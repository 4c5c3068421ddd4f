#include "registers/HexText.h"

namespace kestrovane {

namespace {

constexpr uint64_t kBeyond32Bits = uint64_t{1} << 32;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::optional<unsigned> HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

}  // namespace

std::optional<uint64_t> ParseHexText(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // A "0x" promises a hex number: without a hex digit after it ("0x",
    // "0xg", "0x-5") the text is refused. The C library would read its "0"
    // as the number and send register 0 or store an id of 0.
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("0x") || rest.starts_with("0X")) {
        if (rest.size() <= 2 || !HexDigit(rest[2])) return std::nullopt;
        at += 2;
    }
    uint64_t value = 0;
    bool anyDigit = false;
    for (; at < text.size(); ++at) {
        const std::optional<unsigned> digit = HexDigit(text[at]);
        if (!digit) break;
        anyDigit = true;
        // Saturates: anything past 32 bits is out of every range anyway.
        if (value < kBeyond32Bits) value = value * 16 + *digit;
    }
    if (!anyDigit) return std::nullopt;
    if (value >= kBeyond32Bits) return kBeyond32Bits;
    if (negative && value != 0) return kBeyond32Bits - value;
    return value;
}

}  // namespace kestrovane
