#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "image/ImageFormat.h"

namespace kestrovane {
namespace {

std::span<const uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(TextFields, VersionTextEndsAtTheFirstZeroOrErasedByte) {
    EXPECT_EQ(decodeVersionText(std::vector<uint8_t>(16, 0xFF)), "");
    EXPECT_EQ(decodeVersionText(BytesOf("V12\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF")),
              "V12");
    EXPECT_EQ(decodeVersionText(BytesOf(std::string_view("AB\0Z", 4))), "AB");
    // Sixteen characters stop at the field's end, not in the field after it.
    EXPECT_EQ(decodeVersionText(BytesOf("0123456789ABCDEFxxxx")), "0123456789ABCDEF");
}

TEST(TextFields, VersionTextIsStoredTerminatedAndNeverSpills) {
    EXPECT_EQ(encodeVersionText("V1"), (VersionFieldBytes{'V', '1'}));
    auto bytes = testing::PatternBytes(0x80 + 15);  // hwVersion one byte short
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeVersionText(image, VersionField::Bin, std::string(17, 'a')),
              WriteStatus::TooLong);
    EXPECT_EQ(writeVersionText(image, VersionField::Hw, "x"), WriteStatus::BeyondEnd);
    EXPECT_FALSE(readVersionText(image, VersionField::Hw));
    EXPECT_EQ(bytes, before);
    EXPECT_EQ(writeVersionText(image, VersionField::Bin, "0123456789ABCDEF"), WriteStatus::Written);
    EXPECT_EQ(readVersionText(image, VersionField::Bin), "0123456789ABCDEF");
    EXPECT_TRUE(std::equal(bytes.begin() + 0x80, bytes.end(), before.begin() + 0x80));
}

// An image whose description record at recordOffset holds text.
std::vector<uint8_t> ImageWithRecord(std::size_t length, uint8_t recordOffset,
                                     std::string_view text) {
    auto bytes = testing::PatternBytes(length);
    bytes[22] = recordOffset;
    bytes[recordOffset] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), bytes.begin() + recordOffset + 1);
    return bytes;
}

TEST(TextFields, DescriptionRecordIsReadOnlyWhenWhollyInside) {
    auto empty = ImageWithRecord(300, 64, "");
    EXPECT_EQ(readDeviceDescription(MemoryImage{std::span(empty)}), "");
    auto exact = ImageWithRecord(100, 90, "123456789");  // ends at the last byte
    EXPECT_EQ(readDeviceDescription(MemoryImage{std::span(exact)}), "123456789");
    exact[90] = 10;
    EXPECT_FALSE(readDeviceDescription(MemoryImage{std::span(exact)}));
    exact[22] = 100;  // the length byte itself lies past the end
    EXPECT_FALSE(readDeviceDescription(MemoryImage{std::span(exact)}));
}

TEST(TextFields, DescriptionIsRewrittenWhereItStandsWhenItFits) {
    auto bytes = ImageWithRecord(300, 100, "Cam");
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    ASSERT_EQ(writeDeviceDescription(image, "LongerName"), WriteStatus::Written);
    EXPECT_EQ(readDeviceDescription(image), "LongerName");
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100, before.begin()));
    EXPECT_TRUE(std::equal(bytes.begin() + 111, bytes.end(), before.begin() + 111));
    ASSERT_EQ(writeDeviceDescription(image, ""), WriteStatus::Written);
    EXPECT_EQ(bytes[101], 'L');  // the old tail stays behind

    const auto kept = bytes;
    EXPECT_EQ(writeDeviceDescription(image, std::string(256, 'a')), WriteStatus::TooLong);
    bytes[22] = 250;  // 250 + 1 + 49 ends at the last byte
    EXPECT_EQ(writeDeviceDescription(image, std::string(50, 'a')), WriteStatus::BeyondEnd);
    bytes[22] = 100;
    EXPECT_EQ(bytes, kept);
    bytes[22] = 250;
    EXPECT_EQ(writeDeviceDescription(image, std::string(49, 'a')), WriteStatus::Written);
}

}  // namespace
}  // namespace kestrovane
