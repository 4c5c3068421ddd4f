#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "registers/HexText.h"
#include "registers/RegisterFile.h"

namespace kestrovane {
namespace {

// As "%x" reads them, except that a "0x" without a hex digit after it is
// refused rather than read as 0.
TEST(HexText, ReadsTypedNumbersTheWayTheCLibraryDoes) {
    const std::vector<std::pair<std::string, std::optional<uint64_t>>> cases{
        {"ab", 0xAB},
        {"0", 0},
        {"0x12", 0x12},
        {"12zz", 0x12},
        {"  1F0", 0x1F0},
        {"0X1bf76", 0x1BF76},
        {"+7", 7},
        {"-0", 0},
        {"-1", 0xFFFFFFFF},
        {"0x", std::nullopt},
        {"0X", std::nullopt},
        {"0xg", std::nullopt},
        {"0x-5", std::nullopt},
        {" -0x", std::nullopt},
        {"123456789", uint64_t{1} << 32},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"zz", std::nullopt},
        {"x12", std::nullopt},
        {"-", std::nullopt},
        {"\t-x", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseHexText(text), expected) << '"' << text << '"';
    }
}

TEST(RegisterFile, ReadsDumpLinesAndEveryHandWrittenForm) {
    const std::string text =
        "\xEF\xBB\xBF// sensor set-up, written by hand\r\n"
        "0x0010:0x00AB\r\n"
        "\r\n"
        "0x10:0xab\n"
        "0x0011:0X00CD\n"
        "0X0010:0x00AB\n"
        "0x12 : 0xEF\n"
        "0x0013:0x0001 // a comment after a blank\n"
        "0x0014:0x0002\t// after a tab\n"
        "0x0015:0x0003// right after the value\n"
        "   // an indented comment 0x0016:0x0004\n"
        "Gain table follows\n"
        "0xFFFF:0xffff";
    const ParsedRegisterFile parsed = ParseRegisterFile(text);
    ASSERT_FALSE(parsed.problem);
    EXPECT_EQ(parsed.entries, (std::vector<RegisterEntry>{{2, 0x0010, 0x00AB},
                                                          {4, 0x0010, 0x00AB},
                                                          {5, 0x0011, 0x00CD},
                                                          {6, 0x0010, 0x00AB},
                                                          {7, 0x0012, 0x00EF},
                                                          {8, 0x0013, 0x0001},
                                                          {9, 0x0014, 0x0002},
                                                          {10, 0x0015, 0x0003},
                                                          {13, 0xFFFF, 0xFFFF}}));
    EXPECT_EQ(FormatRegisterLine(0x0010, 0x00AB), "0x0010:0x00AB");
    EXPECT_EQ(FormatRegisterLine(0xBF76, 0xFFFF), "0xBF76:0xFFFF");
    EXPECT_TRUE(
        ParseRegisterFile("// nothing but comments\n\nno registers here\n").entries.empty());
    EXPECT_EQ(ParseRegisterFile("\xEF\xBB\xBF"
                                "0x0001:0x0002")
                  .entries,
              (std::vector<RegisterEntry>{{1, 0x0001, 0x0002}}));
}

// Lines that older copies of the program would misread, or skip although they
// read as registers: each refuses the whole file and names its line.
TEST(RegisterFile, RefusesEveryLineItCouldMisread) {
    using enum RegisterLineError;
    const std::vector<std::pair<std::string, RegisterLineError>> cases{
        {"0x0010:00AB", ValueWithoutPrefix},  // would write 0x0010
        {"0x0010 0x00AB", NoSeparator},       // would write an undefined number
        {"  0x0010:0x00AB", NotAtLineStart},  // would write 0x0010, its own address
        {"reg 0x10 is the gain", NotAtLineStart},
        {"0xzz:0x0001", AddressNotHex},
        {"0x:0x0001", AddressNotHex},
        {"0x0010:0x", ValueNotHex},
        {"0x0010:0xzz", ValueNotHex},
        {"0x10000:0x0001", AddressOutOfRange},
        {"0x0010:0x10000", ValueOutOfRange},
        {"0x0010:0x00ABzz", TextAfterValue},
        {"0X0010:0X00AB", UpperCaseOnly},       // would be skipped silently
        {"0x10:0xa // gain", CommentTooEarly},  // "//" at column 9: a comment line
        {"0x0010:0X00AB // was 0x0012", ValuePrefixMisread},
    };
    for (const auto& [line, error] : cases) {
        const ParsedRegisterFile parsed = ParseRegisterFile("0x0001:0x0001\n" + line + "\n");
        ASSERT_TRUE(parsed.problem) << line;
        EXPECT_EQ(parsed.problem->lineNumber, 2u) << line;
        EXPECT_EQ(parsed.problem->error, error) << line;
        EXPECT_TRUE(parsed.entries.empty()) << line;
        EXPECT_FALSE(DescribeRegisterLineError(error).empty());
    }
}

}  // namespace
}  // namespace kestrovane
