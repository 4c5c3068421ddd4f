#include <gtest/gtest.h>

#include "UploadTestFixture.h"
#include "upload/UploadImage.h"

namespace kestrovane::testing {
namespace {

TEST(PaddedLength, RoundsUpToWholeBlocksOnly) {
    EXPECT_EQ(PaddedLength(32, 32), 32u);
    EXPECT_EQ(PaddedLength(33, 32), 64u);
    EXPECT_EQ(PaddedLength(5, 8), 8u);
    EXPECT_EQ(PaddedLength(16, 8), 16u);
}

TEST(UploadCapacity, IsThePartsSizeOrTheAddressableRangeWithoutAType) {
    EXPECT_EQ(UploadCapacity(kEeprom24C02), 256u);
    EXPECT_EQ(UploadCapacity(kEeprom24C128), 16384u);
    EXPECT_EQ(UploadCapacity(kNoEepromType), 65536u);
}

TEST_F(UploadTest, LoadedImageIsTheFileFollowedByZeros) {
    const std::vector<uint8_t> file = WriteImage(33);
    const UploadImage image = LoadUploadImage(settings.imagePath, kEeprom24C64);
    ASSERT_EQ(image.status, ImageLoadStatus::Ok);
    EXPECT_EQ(image.blockSize, 32u);
    EXPECT_EQ(image.BlockCount(), 2u);
    std::vector<uint8_t> expected = file;
    expected.resize(64, 0x00);
    EXPECT_EQ(image.bytes, expected);
}

}  // namespace
}  // namespace kestrovane::testing
