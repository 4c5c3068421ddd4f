#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "image/MemoryImage.h"
#include "image/VersionText.h"

namespace kestrovane {
namespace {

VersionFieldBytes FieldOf(std::string_view text, uint8_t fill) {
    VersionFieldBytes field;
    field.fill(fill);
    std::copy(text.begin(), text.end(), field.begin());
    return field;
}

TEST(VersionText, ErasedBytesCountAsTheEndOfTheText) {
    EXPECT_EQ(decodeVersionText(FieldOf("", 0xFF)), "");
    EXPECT_EQ(decodeVersionText(FieldOf("V12", 0xFF)), "V12");
    EXPECT_EQ(decodeVersionText(FieldOf("V12", 0x00)), "V12");
    // Whatever follows the first terminator is not part of the text.
    auto field = FieldOf("AB", 0x00);
    field[3] = 'Z';
    EXPECT_EQ(decodeVersionText(field), "AB");
}

TEST(VersionText, SixteenPrintableBytesMakeSixteenCharactersAndNoMore) {
    // The two fields lie side by side, as in an image or the EEPROM's version area.
    std::vector<uint8_t> area(32);
    const std::string bin = "0123456789ABCDEF";
    std::copy(bin.begin(), bin.end(), area.begin());
    std::fill(area.begin() + 16, area.end(), 'x');
    const std::span<const uint8_t> all(area);
    EXPECT_EQ(decodeVersionText(all.first(16)), bin);
    EXPECT_EQ(decodeVersionText(all), bin);  // a longer span is cut at 16 bytes
    EXPECT_EQ(decodeVersionText(all.subspan(16)), std::string(16, 'x'));
}

TEST(VersionText, EncodingTerminatesShortTextsAndZeroesTheRest) {
    EXPECT_EQ(encodeVersionText("V1.2"), FieldOf("V1.2", 0x00));
    EXPECT_EQ(encodeVersionText(""), FieldOf("", 0x00));
    const auto full = encodeVersionText("0123456789ABCDEF");
    ASSERT_TRUE(full);
    EXPECT_EQ(decodeVersionText(*full), "0123456789ABCDEF");
    EXPECT_FALSE(encodeVersionText("0123456789ABCDEFG"));
}

TEST(VersionText, FieldsOfAnImageRoundTripWithoutTouchingTheirNeighbours) {
    auto bytes = testing::PatternBytes(160);
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeVersionText(image, VersionField::Bin, "BIN-1"), WriteStatus::Written);
    EXPECT_EQ(writeVersionText(image, VersionField::Hw, "0123456789ABCDEF"), WriteStatus::Written);
    EXPECT_EQ(readVersionText(image, VersionField::Bin), "BIN-1");
    EXPECT_EQ(readVersionText(image, VersionField::Hw), "0123456789ABCDEF");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i < 0x70 || i >= 0x90) {
            EXPECT_EQ(bytes[i], before[i]) << i;
        }
    }
}

TEST(VersionText, TooLongTextIsRefusedAndSpillsNothingIntoTheNextField) {
    auto bytes = testing::PatternBytes(160);
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeVersionText(image, VersionField::Bin, std::string(17, 'a')),
              WriteStatus::TooLong);
    EXPECT_EQ(bytes, before);
}

TEST(VersionText, ShortImageReportsTheFieldMissing) {
    auto bytes = testing::PatternBytes(0x80 + 15);  // hwVersion one byte short
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_TRUE(readVersionText(image, VersionField::Bin));
    EXPECT_FALSE(readVersionText(image, VersionField::Hw));
    EXPECT_EQ(writeVersionText(image, VersionField::Hw, "x"), WriteStatus::BeyondEnd);
    EXPECT_EQ(bytes, before);
}

}  // namespace
}  // namespace kestrovane
