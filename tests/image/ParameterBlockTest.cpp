#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "image/ByteAccess.h"
#include "image/MemoryImage.h"
#include "image/ParameterBlock.h"

namespace kestrovane {
namespace {

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
    EXPECT_EQ(bytes[base + 0xA6], 0);
}

TEST(ParameterBlock, HueLimitsAreSignedAndItsDefaultIsNeverWritten) {
    std::vector<uint8_t> bytes(733, 0x55);
    MemoryImage image{std::span(bytes)};
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    bytes[0xA6] = 0x80;
    bytes[0xA7] = 0xFF;
    EXPECT_EQ(readParameter(image, 0, kv2, PictureParameter::Hue),
              (ParameterValues{std::nullopt, -128, 0x5555}));
    writeLe16(image, 0xBD, 0xFFFF);
    EXPECT_EQ(readParameter(image, 0, kv2, PictureParameter::Gamma)->minimum, 65535);

    auto expected = bytes;
    expected[0xA6] = 0xF6;
    expected[0xA7] = 0xFF;
    expected[0xA8] = 0x0A;
    expected[0xA9] = 0x00;
    ASSERT_EQ(writeParameter(image, 0, kv2, PictureParameter::Hue, {99, -10, 10}),
              WriteStatus::Written);
    EXPECT_EQ(bytes, expected);
}

TEST(ParameterBlock, ShortImageIsLeftWholeRatherThanHalfWritten) {
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);
    auto bytes = testing::PatternBytes(0xC3);  // Gamma's limits fit, its default does not
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_FALSE(readParameter(image, 0, kv2, PictureParameter::Gamma));
    EXPECT_EQ(writeParameter(image, 0, kv2, PictureParameter::Gamma, {1, 2, 3}),
              WriteStatus::BeyondEnd);
    EXPECT_EQ(bytes, before);
}

}  // namespace
}  // namespace kestrovane
