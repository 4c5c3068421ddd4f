#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "image/ByteAccess.h"
#include "image/FieldOffsets.h"
#include "image/MemoryImage.h"
#include "image/ParameterBlock.h"

namespace kestrovane {
namespace {

TEST(ParameterOffsets, TablesKeepTheirFixedRelations) {
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    const auto& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
    for (PictureParameter parameter : kPictureParameters) {
        for (const auto* table : {&kv2, &kv5}) {
            const auto& location = (*table)[parameter];
            EXPECT_EQ(location.maximum, location.minimum + 2);
        }
        EXPECT_EQ(kv2[parameter].minimum, kv5[parameter].minimum + 28);
        EXPECT_EQ(kv2[parameter].defaultValue.has_value(), parameter != PictureParameter::Hue);
        EXPECT_EQ(kv5[parameter].defaultValue.has_value(), parameter != PictureParameter::Hue);
    }
    EXPECT_EQ(kv2.powerLineFrequency, kv5.powerLineFrequency + 28);
    EXPECT_EQ(kv2[PictureParameter::Brightness].defaultValue, 0x94);
    EXPECT_EQ(kv5[PictureParameter::Contrast].defaultValue, 0x7F);
    EXPECT_EQ(kv2[PictureParameter::Gamma].defaultValue, 0xC2);
    // The firmware keeps the Kv5 Gamma default 7 bytes after its minimum.
    EXPECT_EQ(kv5[PictureParameter::Gamma].defaultValue, 0xA8);
}

TEST(ParameterOffsets, SupportBitsFollowTheParameterOrder) {
    int bit = 0;
    for (PictureParameter parameter : kPictureParameters) EXPECT_EQ(supportBitOf(parameter), bit++);
}

TEST(ParameterBlock, Kv5GammaDefaultIsReadAndWrittenAtBasePlusA8) {
    std::vector<uint8_t> bytes(733, 0);
    MemoryImage image{std::span(bytes)};
    const uint8_t base = 0x30;
    const auto& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
    writeLe16(image, base + 0xA8, 0x0123);
    writeLe16(image, base + 0xA1, 10);
    writeLe16(image, base + 0xA3, 500);
    EXPECT_EQ(readParameter(image, base, kv5, PictureParameter::Gamma),
              (ParameterValues{0x0123, 10, 500}));

    ASSERT_EQ(writeParameter(image, base, kv5, PictureParameter::Gamma, {7, 1, 2}),
              WriteStatus::Written);
    EXPECT_EQ(bytes[base + 0xA8], 7);
    EXPECT_EQ(bytes[base + 0xA6], 0);  // where a regular default would lie
}

TEST(ParameterBlock, HueLimitsAreSignedAndItsDefaultIsNeverTouched) {
    std::vector<uint8_t> bytes(733, 0x55);
    MemoryImage image{std::span(bytes)};
    const uint8_t base = 0;
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    bytes[0xA6] = 0x80;
    bytes[0xA7] = 0xFF;
    bytes[0xA8] = 0x7F;
    bytes[0xA9] = 0x00;
    const auto hue = readParameter(image, base, kv2, PictureParameter::Hue);
    ASSERT_TRUE(hue);
    EXPECT_EQ(hue->minimum, -128);
    EXPECT_EQ(hue->maximum, 127);
    EXPECT_FALSE(hue->defaultValue);

    const auto before = bytes;
    ASSERT_EQ(writeParameter(image, base, kv2, PictureParameter::Hue, {99, -10, 10}),
              WriteStatus::Written);
    EXPECT_EQ(bytes[0xA6], 0xF6);
    EXPECT_EQ(bytes[0xA7], 0xFF);
    EXPECT_EQ(bytes[0xA8], 0x0A);
    EXPECT_EQ(bytes[0xA9], 0x00);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i < 0xA6 || i > 0xA9) {
            EXPECT_EQ(bytes[i], before[i]) << i;
        }
    }
}

TEST(ParameterBlock, OtherValuesAreUnsignedAndWrittenAsTheirLow16Bits) {
    std::vector<uint8_t> bytes(733, 0);
    MemoryImage image{std::span(bytes)};
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    ASSERT_EQ(writeParameter(image, 0, kv2, PictureParameter::Brightness, {70000, 0xFFFF, -1}),
              WriteStatus::Written);
    EXPECT_EQ(readLe16(image, 0x94), 0x1170);
    EXPECT_EQ(readParameter(image, 0, kv2, PictureParameter::Brightness),
              (ParameterValues{0x1170, 65535, 65535}));
}

TEST(ParameterBlock, ShortImageIsLeftWholeRatherThanHalfWritten) {
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    // Gamma's minimum and maximum fit, its default at 0xC2 does not.
    auto bytes = testing::PatternBytes(0xC3);
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_FALSE(readParameter(image, 0, kv2, PictureParameter::Gamma));
    EXPECT_EQ(writeParameter(image, 0, kv2, PictureParameter::Gamma, {1, 2, 3}),
              WriteStatus::BeyondEnd);
    EXPECT_EQ(bytes, before);
    // Without a default to write, the limits fit.
    EXPECT_EQ(writeParameter(image, 0, kv2, PictureParameter::Gamma, {std::nullopt, 2, 3}),
              WriteStatus::Written);
}

TEST(ParameterBlock, SmallDefaultsAndPowerLineCodeOffsets) {
    EXPECT_EQ(smallDefaultOffset(PictureParameter::Brightness), 41u);
    EXPECT_EQ(smallDefaultOffset(PictureParameter::Contrast), 42u);
    EXPECT_EQ(smallDefaultOffset(PictureParameter::Saturation), 43u);
    EXPECT_EQ(smallDefaultOffset(PictureParameter::Sharpness), 44u);
    EXPECT_EQ(smallDefaultOffset(PictureParameter::Gamma), 45u);
    EXPECT_FALSE(smallDefaultOffset(PictureParameter::Hue));
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    const auto& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
    EXPECT_EQ(powerLineCodeOffset(ImageLayout::Small, 0x80, kv5), 46u);
    EXPECT_EQ(powerLineCodeOffset(ImageLayout::Large, 0x80, kv2), 0x80u + 0xA5);
    EXPECT_EQ(powerLineCodeOffset(ImageLayout::Large, 0xFF, kv5), 0xFFu + 0x89);
}

}  // namespace
}  // namespace kestrovane
