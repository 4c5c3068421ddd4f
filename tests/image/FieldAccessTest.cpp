#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/ImageFormat.h"

namespace kestrovane {
namespace {

TEST(FieldAccess, Le16IsLowByteFirstAndKeepsOnlyTheLow16Bits) {
    std::vector<uint8_t> bytes(4, 0xAA);
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeLe16(image, 1, 0x1234), WriteStatus::Written);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0x34, 0x12, 0xAA}));
    writeLe16(image, 0, 70000);
    EXPECT_EQ(readLe16(image, 0), 0x1170);
    writeLe16(image, 0, -10);
    EXPECT_EQ(readLe16(image, 0), 0xFFF6);
    writeByte(image, 3, 300);
    EXPECT_EQ(bytes[3], 0x2C);
}

TEST(FieldAccess, FieldsPastTheEndAreMissingAndNeverWritten) {
    std::vector<uint8_t> bytes{1, 2, 3};
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(readByte(image, 2), 3);
    EXPECT_FALSE(readLe16(image, 2));  // its high byte would lie past the end
    EXPECT_FALSE(readLe16(image, SIZE_MAX));
    EXPECT_EQ(writeLe16(image, 2, 0xFFFF), WriteStatus::BeyondEnd);
    EXPECT_EQ(writeByte(image, SIZE_MAX, 0), WriteStatus::BeyondEnd);
    MemoryImage readOnly{std::span<const uint8_t>(bytes)};
    EXPECT_EQ(writeByte(readOnly, 0, 9), WriteStatus::Failed);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(FieldAccess, FlagsInterpretOnlyTheirOwnBits) {
    std::vector<uint8_t> bytes(40, 0);
    MemoryImage image{std::span(bytes)};
    bytes[12] = 0xFA;  // every identity bit but 0 and 2
    EXPECT_FALSE(readIdentityFlags(image)->idsInUse || readIdentityFlags(image)->descriptionInUse);
    bytes[12] = 0x05;
    EXPECT_TRUE(readIdentityFlags(image)->idsInUse && readIdentityFlags(image)->descriptionInUse);

    bytes[18] = 0xA6;
    EXPECT_EQ(writeUpsideDown(image, true), WriteStatus::Written);
    EXPECT_EQ(bytes[18], 0xA7);
    EXPECT_EQ(writeUpsideDown(image, false), WriteStatus::Written);
    EXPECT_EQ(bytes[18], 0xA6);

    bytes[38] = 0x25;  // Brightness, Hue, Gamma
    bytes[39] = 0x04;  // power-line frequency
    const uint16_t bits = *readSupportBits(image);
    EXPECT_TRUE(hasSupportBit(bits, supportBitOf(PictureParameter::Gamma)));
    EXPECT_FALSE(hasSupportBit(bits, supportBitOf(PictureParameter::Contrast)));
    EXPECT_TRUE(hasSupportBit(bits, kSupportBitPowerLineFrequency));
}

TEST(FieldAccess, LayoutAndLengthRules) {
    EXPECT_EQ(imageLayoutOf(kNoEepromType), ImageLayout::Small);
    EXPECT_EQ(uploadBlockSize(kEeprom24C08), 8u);
    EXPECT_EQ(uploadBlockSize(kEeprom24C64), 32u);
    EXPECT_FALSE(eepromCapacity(5));
    EXPECT_EQ(checkImageLength(27, ImageLayout::Small, 0), LengthCheck::ShorterThanHeader);
    EXPECT_EQ(checkImageLength(27, ImageLayout::Large, 0), LengthCheck::ShorterThanHeader);
    EXPECT_EQ(checkImageLength(28, ImageLayout::Small, 0), LengthCheck::Acceptable);
    for (int base : {0, 0x80, 0xFF}) {
        const auto b = static_cast<uint8_t>(base);
        EXPECT_EQ(checkImageLength(732, ImageLayout::Large, b),
                  LengthCheck::ShorterThanParameterBlock);
        EXPECT_EQ(checkImageLength(733, ImageLayout::Large, b), LengthCheck::Acceptable);
    }
}

}  // namespace
}  // namespace kestrovane
