#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrovane {

// Register text files: one register per line, "0x0010:0x00AB" (address, ":",
// value), as a dump writes them and a load reads them back.
//
// A load accepts the lines a dump writes and the forms people write by hand:
// short numbers ("0x10:0xab"), a prefix "0X" on the address or the value as
// long as the line holds a "0x" ("0X0010:0x00AB"), blanks around ":", a
// comment after the value (after a blank, a tab or directly "//"), comment
// lines (a "//" within the first 10 characters) and lines without any "0x",
// which are ignored. Any other line that holds a "0x" is refused with the
// reason below, and so is a line that would be skipped although it reads as a
// register entry; nothing of a refused file reaches the camera.

struct RegisterEntry {
    std::size_t lineNumber = 0;  // counted from 1
    uint16_t address = 0;
    uint16_t value = 0;

    friend bool operator==(const RegisterEntry&, const RegisterEntry&) = default;
};

enum class RegisterLineError {
    NotAtLineStart,      // text or blanks in front of the first "0x"
    NoSeparator,         // no ":" between address and value
    AddressNotHex,       // the address is no hexadecimal number
    AddressOutOfRange,   // above 0xFFFF
    ValueWithoutPrefix,  // the value does not begin with "0x" or "0X"
    ValueNotHex,         // no hex digit after the value's prefix
    ValueOutOfRange,     // above 0xFFFF
    TextAfterValue,      // other text right after the value's digits
    UpperCaseOnly,       // an entry written with "0X" only
    CommentTooEarly,     // a "//" in the first 10 characters after a register entry
    ValuePrefixMisread,  // a "0X" value prefix with a "0x" later in the line
};

// Why a line was refused, in words for the user.
std::string_view DescribeRegisterLineError(RegisterLineError error);

struct RegisterFileProblem {
    std::size_t lineNumber = 0;
    RegisterLineError error = RegisterLineError::NoSeparator;
};

struct ParsedRegisterFile {
    std::vector<RegisterEntry> entries;          // empty when the file was refused
    std::optional<RegisterFileProblem> problem;  // the first refused line
    // Lines passed over that are neither blank nor comments (no "0x" in
    // them: text, not a register), so that a front end can name them.
    std::vector<std::size_t> passedOver;
};

// Reads a whole register file. Lines end with LF or CR LF; a UTF-8 byte order
// mark in front of the first line is passed over.
ParsedRegisterFile ParseRegisterFile(std::string_view text);

// One line of a dump, without its line end: "0x%04X:0x%04X".
std::string FormatRegisterLine(uint16_t address, uint16_t value);

// The whole content of the file at `path` (UTF-8), or nothing when it cannot
// be opened or read.
std::optional<std::string> ReadRegisterFileText(const std::string& path);

}  // namespace kestrovane
