// Register files and typed numbers on random text: the whole-file reading
// never accepts a line it cannot give back exactly, and the typed number
// reading agrees with the C library's.

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "registers/HexText.h"
#include "registers/RegisterFile.h"

namespace kestrovane::fuzzing {
namespace {

constexpr uint64_t kBeyond32Bits = uint64_t{1} << 32;

std::size_t CountLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::size_t lines = 0;
    while (!text.empty()) {
        ++lines;
        const std::size_t end = text.find('\n');
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string_view LineAt(std::string_view text, std::size_t lineNumber) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    for (std::size_t n = 1;; ++n) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (n == lineNumber) {
            if (line.ends_with('\r')) line.remove_suffix(1);
            return line;
        }
        text.remove_prefix(end + 1);
    }
}

// What strtoul reads from the start of `text` in base 16.
struct CLibraryHex {
    uint64_t value = 0;
    std::size_t consumed = 0;  // 0: no number
    bool overflowed = false;
};

CLibraryHex StrtoulHex(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    return {value, static_cast<std::size_t>(end - text.c_str()), errno == ERANGE};
}

// Every entry the file gave stands on its line as written: "0x", the address
// digits, blanks, ":", blanks, the value's prefix and digits.
void CheckEntryAgainstItsLine(std::string_view text, const RegisterEntry& entry) {
    const std::string line(LineAt(text, entry.lineNumber));
    FUZZ_CHECK(line.starts_with("0x") || line.starts_with("0X"));
    const CLibraryHex address = StrtoulHex(line.substr(2));
    FUZZ_CHECK(address.consumed > 0 && address.value == entry.address);
    std::size_t at = 2 + address.consumed;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    FUZZ_CHECK(at < line.size() && line[at] == ':');
    ++at;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    FUZZ_CHECK(line.compare(at, 2, "0x") == 0 || line.compare(at, 2, "0X") == 0);
    const CLibraryHex value = StrtoulHex(line.substr(at + 2));
    FUZZ_CHECK(value.consumed > 0 && value.value == entry.value);
}

void CheckRegisterFile(std::string_view text) {
    const ParsedRegisterFile parsed = ParseRegisterFile(text);
    const std::size_t lines = CountLines(text);
    if (parsed.problem) {
        // A refused file gives nothing to send, and names a line it has.
        FUZZ_CHECK(parsed.entries.empty());
        FUZZ_CHECK(parsed.problem->lineNumber >= 1 && parsed.problem->lineNumber <= lines);
        FUZZ_CHECK(!DescribeRegisterLineError(parsed.problem->error).empty());
        return;
    }
    std::size_t previousLine = 0;
    std::string dump;
    for (const RegisterEntry& entry : parsed.entries) {
        FUZZ_CHECK(entry.lineNumber > previousLine && entry.lineNumber <= lines);
        previousLine = entry.lineNumber;
        CheckEntryAgainstItsLine(text, entry);
        dump += FormatRegisterLine(entry.address, entry.value) + "\r\n";
    }
    // A dump of what was read reads back as the same registers.
    const ParsedRegisterFile again = ParseRegisterFile(dump);
    FUZZ_CHECK(!again.problem);
    FUZZ_CHECK(again.entries.size() == parsed.entries.size());
    for (std::size_t i = 0; i < again.entries.size(); ++i) {
        FUZZ_CHECK(again.entries[i].address == parsed.entries[i].address);
        FUZZ_CHECK(again.entries[i].value == parsed.entries[i].value);
        FUZZ_CHECK(again.entries[i].lineNumber == i + 1);
    }
}

// Whether a "0x" without a hex digit after it follows the blanks and the
// sign, which strtoul reads as 0 and the typed number reading refuses.
bool PrefixWithoutDigit(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t\n\r\v\f");
    if (at == std::string::npos) return false;
    if (text[at] == '+' || text[at] == '-') ++at;
    if (text.compare(at, 2, "0x") != 0 && text.compare(at, 2, "0X") != 0) return false;
    return at + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at + 2]));
}

// A typed number reads as "%x" reads it (strtoul in base 16 after blanks):
// the same value where it fits 32 bits, a negative one wrapped to 32 bits,
// anything larger above every limit, and nothing where no digit is read or
// none follows a "0x".
void CheckHexText(std::string_view text) {
    const std::optional<uint64_t> parsed = ParseHexText(text);
    // The C library stops at the first NUL, and so must the reading.
    const std::string terminated(text.substr(0, text.find('\0')));
    const CLibraryHex expected = StrtoulHex(terminated);
    if (expected.consumed == 0 || PrefixWithoutDigit(terminated)) {
        FUZZ_CHECK(!parsed);
        return;
    }
    FUZZ_CHECK(parsed.has_value());
    // strtoul negates a number after "-" in 64 bits; "%x" keeps 32 of them.
    const bool negative = terminated.find('-') < terminated.find_first_of("0123456789abcdefABCDEF");
    const uint64_t magnitude = negative ? uint64_t{0} - expected.value : expected.value;
    if (expected.overflowed || magnitude >= kBeyond32Bits) {
        FUZZ_CHECK(*parsed >= kBeyond32Bits);
    } else if (negative && magnitude != 0) {
        FUZZ_CHECK(*parsed == kBeyond32Bits - magnitude);
    } else {
        FUZZ_CHECK(*parsed == magnitude);
    }
}

}  // namespace
}  // namespace kestrovane::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kestrovane::fuzzing::CheckRegisterFile(text);
    kestrovane::fuzzing::CheckHexText(text);
    return 0;
}
