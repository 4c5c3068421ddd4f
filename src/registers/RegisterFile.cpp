#include "registers/RegisterFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <variant>

#include "files/Utf8Path.h"
#include "registers/HexText.h"

namespace kestrovane {

namespace {

// A "//" that starts before this column makes the whole line a comment.
constexpr std::size_t kCommentColumn = 10;

struct Skip {};
using LineOutcome = std::variant<Skip, RegisterEntry, RegisterLineError>;

bool IsSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
    return text;
}

bool StartsWithPrefix(std::string_view text) {
    return text.starts_with("0x") || text.starts_with("0X");
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A number made of hex digits only; nothing for an empty text or another
// character. Values above 0xFFFF come back as they are, capped.
std::optional<uint64_t> HexDigitsValue(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        if (!IsHexDigit(c)) return std::nullopt;
    }
    return ParseHexText(digits);
}

// A line that holds "0x": "0x" or "0X" in the first column, the address,
// ":", the value with its prefix, then nothing, or a blank or "//" and any
// text. Older copies drop the first two characters whatever they are, so an
// address prefix "0X" reads as "0x" does.
LineOutcome ParseEntry(std::string_view line) {
    if (!StartsWithPrefix(line)) return RegisterLineError::NotAtLineStart;
    const std::string_view body = line.substr(2);
    const std::size_t colon = body.find(':');
    if (colon == std::string_view::npos) return RegisterLineError::NoSeparator;

    const std::optional<uint64_t> address = HexDigitsValue(TrimBlanks(body.substr(0, colon)));
    if (!address) return RegisterLineError::AddressNotHex;
    if (*address > kMaxRegisterNumber) return RegisterLineError::AddressOutOfRange;

    std::string_view valueText = body.substr(colon + 1);
    while (!valueText.empty() && IsSpaceOrTab(valueText.front())) valueText.remove_prefix(1);
    if (!StartsWithPrefix(valueText)) return RegisterLineError::ValueWithoutPrefix;
    const bool upperCasePrefix = valueText.starts_with("0X");
    valueText.remove_prefix(2);
    std::size_t digits = 0;
    while (digits < valueText.size() && IsHexDigit(valueText[digits])) ++digits;
    const std::optional<uint64_t> value = HexDigitsValue(valueText.substr(0, digits));
    if (!value) return RegisterLineError::ValueNotHex;
    if (*value > kMaxRegisterNumber) return RegisterLineError::ValueOutOfRange;

    const std::string_view rest = valueText.substr(digits);
    if (!rest.empty() && !IsSpaceOrTab(rest.front()) && !rest.starts_with("//")) {
        return RegisterLineError::TextAfterValue;
    }
    // Older copies of the program take the value from the first "0x" after
    // the address, which would then be one in the comment.
    if (upperCasePrefix && Contains(body, "0x")) return RegisterLineError::ValuePrefixMisread;
    return RegisterEntry{0, static_cast<uint16_t>(*address), static_cast<uint16_t>(*value)};
}

LineOutcome ParseLine(std::string_view line) {
    const std::size_t comment = line.find("//");
    if (comment != std::string_view::npos && comment < kCommentColumn) {
        // A comment line, unless a register entry stands in front of the "//".
        const std::string_view before = TrimBlanks(line.substr(0, comment));
        const bool looksLikeEntry = StartsWithPrefix(before) && Contains(before, ":");
        if (looksLikeEntry) return RegisterLineError::CommentTooEarly;
        return Skip{};
    }
    if (!Contains(line, "0x")) {
        if (StartsWithPrefix(TrimBlanks(line))) return RegisterLineError::UpperCaseOnly;
        return Skip{};
    }
    return ParseEntry(line);
}

}  // namespace

std::string_view DescribeRegisterLineError(RegisterLineError error) {
    switch (error) {
        case RegisterLineError::NotAtLineStart:
            return "a register line must begin with \"0x\" in its first column";
        case RegisterLineError::NoSeparator:
            return "there is no \":\" between the address and the value";
        case RegisterLineError::AddressNotHex:
            return "the address is not a hexadecimal number";
        case RegisterLineError::AddressOutOfRange:
            return "the address is above 0xFFFF";
        case RegisterLineError::ValueWithoutPrefix:
            return "the value does not begin with \"0x\"";
        case RegisterLineError::ValueNotHex:
            return "the value is not a hexadecimal number";
        case RegisterLineError::ValueOutOfRange:
            return "the value is above 0xFFFF";
        case RegisterLineError::TextAfterValue:
            return "there is other text right after the value (put a blank before a comment)";
        case RegisterLineError::UpperCaseOnly:
            return "the register is written with \"0X\" only; write the address as \"0x...\"";
        case RegisterLineError::CommentTooEarly:
            return "a \"//\" within the first 10 characters would make this register line a "
                   "comment";
        case RegisterLineError::ValuePrefixMisread:
            return "the value's prefix \"0X\" would be mistaken for the later \"0x\"; write it "
                   "as \"0x\"";
    }
    return "the line cannot be read";
}

ParsedRegisterFile ParseRegisterFile(std::string_view text) {
    ParsedRegisterFile parsed;
    // Editors that save UTF-8 may put a byte order mark in front of line 1.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        const LineOutcome outcome = ParseLine(line);
        if (const auto* error = std::get_if<RegisterLineError>(&outcome)) {
            parsed.entries.clear();
            parsed.problem = RegisterFileProblem{lineNumber, *error};
            return parsed;
        }
        if (const auto* entry = std::get_if<RegisterEntry>(&outcome)) {
            parsed.entries.push_back(*entry);
            parsed.entries.back().lineNumber = lineNumber;
        } else if (!TrimBlanks(line).empty() && !TrimBlanks(line).starts_with("//")) {
            parsed.passedOver.push_back(lineNumber);
        }
    }
    return parsed;
}

std::string FormatRegisterLine(uint16_t address, uint16_t value) {
    char line[16];
    std::snprintf(line, sizeof line, "0x%04X:0x%04X", address, value);
    return line;
}

std::optional<std::string> ReadRegisterFileText(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad()) return std::nullopt;
    return text;
}

}  // namespace kestrovane
