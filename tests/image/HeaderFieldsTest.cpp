#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "image/FieldOffsets.h"
#include "image/HeaderFields.h"
#include "image/MemoryImage.h"

namespace kestrovane {
namespace {

TEST(HeaderFields, MarkerAndIdentityLieWhereTheFirmwareExpectsThem) {
    auto bytes = testing::PatternBytes(64);
    MemoryImage image{std::span(bytes)};
    writeMarker(image, kMarkerUploadStarted);
    writeVendorId(image, 0x00A5);
    writeProductId(image, 0x1234);
    EXPECT_EQ(bytes[0], 0x42);
    EXPECT_EQ(bytes[5], 0xA5);
    EXPECT_EQ(bytes[6], 0x00);
    EXPECT_EQ(bytes[7], 0x34);
    EXPECT_EQ(bytes[8], 0x12);
    EXPECT_EQ(readMarker(image), 'B');
    EXPECT_EQ(readVendorId(image), 0x00A5);
    EXPECT_EQ(readProductId(image), 0x1234);
    EXPECT_EQ(kMarkerComplete, 0x41);
}

TEST(HeaderFields, IdentityFlagsInterpretBitsZeroAndTwoOnly) {
    std::vector<uint8_t> bytes(40, 0);
    MemoryImage image{std::span(bytes)};
    bytes[12] = 0xFA;  // every bit but 0 and 2
    EXPECT_FALSE(readIdentityFlags(image)->idsInUse);
    EXPECT_FALSE(readIdentityFlags(image)->descriptionInUse);
    bytes[12] = 0x01;
    EXPECT_TRUE(readIdentityFlags(image)->idsInUse);
    EXPECT_FALSE(readIdentityFlags(image)->descriptionInUse);
    bytes[12] = 0x04;
    EXPECT_FALSE(readIdentityFlags(image)->idsInUse);
    EXPECT_TRUE(readIdentityFlags(image)->descriptionInUse);
}

TEST(HeaderFields, OrientationWriteKeepsTheOtherBits) {
    std::vector<uint8_t> bytes(40, 0);
    MemoryImage image{std::span(bytes)};
    bytes[18] = 0xA6;
    EXPECT_EQ(readUpsideDown(image), false);
    ASSERT_EQ(writeUpsideDown(image, true), WriteStatus::Written);
    EXPECT_EQ(bytes[18], 0xA7);
    EXPECT_EQ(readUpsideDown(image), true);
    ASSERT_EQ(writeUpsideDown(image, false), WriteStatus::Written);
    EXPECT_EQ(bytes[18], 0xA6);
}

TEST(HeaderFields, SupportBitsAndParameterBase) {
    std::vector<uint8_t> bytes(40, 0);
    MemoryImage image{std::span(bytes)};
    bytes[28] = 0x40;
    bytes[38] = 0x25;  // Brightness, Hue, Gamma
    bytes[39] = 0x04;  // power-line frequency
    EXPECT_EQ(readParameterBase(image), 0x40);
    const auto bits = readSupportBits(image);
    ASSERT_TRUE(bits);
    EXPECT_EQ(*bits, 0x0425);
    EXPECT_TRUE(hasSupportBit(*bits, kSupportBitBrightness));
    EXPECT_FALSE(hasSupportBit(*bits, kSupportBitContrast));
    EXPECT_TRUE(hasSupportBit(*bits, kSupportBitHue));
    EXPECT_FALSE(hasSupportBit(*bits, kSupportBitSaturation));
    EXPECT_TRUE(hasSupportBit(*bits, kSupportBitGamma));
    EXPECT_TRUE(hasSupportBit(*bits, kSupportBitPowerLineFrequency));
}

TEST(HeaderFields, ShortImageReportsLargeFieldsMissing) {
    std::vector<uint8_t> bytes(28, 0xFF);  // the shortest image allowed
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_TRUE(readUpsideDown(image));
    EXPECT_FALSE(readParameterBase(image));
    EXPECT_FALSE(readSupportBits(image));
    std::vector<uint8_t> tiny(18, 0);
    MemoryImage tinyImage{std::span(tiny)};
    EXPECT_EQ(writeUpsideDown(tinyImage, true), WriteStatus::BeyondEnd);
    EXPECT_FALSE(readIdentityFlags(MemoryImage{std::span(tiny).first(12)}));
}

}  // namespace
}  // namespace kestrovane
