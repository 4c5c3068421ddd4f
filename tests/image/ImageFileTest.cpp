#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "TempDir.h"
#include "image/ImageFile.h"
#include "image/ImageFormat.h"

namespace kestrovane {
namespace {

constexpr uint8_t kBase = 0x40;
constexpr uint8_t kRecordOffset = 0xA0;

// A Large image with all parameters supported and a 4-character description record.
std::vector<uint8_t> LargeImage() {
    auto bytes = testing::PatternBytes(1000);
    bytes[22] = kRecordOffset;
    bytes[kRecordOffset] = 4;
    bytes[kParameterBaseOffset] = kBase;
    bytes[kSupportBitsOffset] = 0x3F;
    bytes[kSupportBitsOffset + 1] = 0x04;
    return bytes;
}

TEST(ImageFile, EveryFieldRoundTripsAndNothingElseChanges) {
    testing::TempDir dir;
    const auto original = LargeImage();
    const auto path = dir.WriteFile("image.bin", original);
    const auto& offsets = parameterOffsetsOf(ChipRevision::Kv5);

    std::set<std::size_t> touched;
    auto touch = [&](std::size_t offset, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) touched.insert(offset + i);
    };
    {
        auto file = ImageFile::OpenForUpdate(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(writeMarker(*file, kMarkerComplete), WriteStatus::Written);
        touch(0, 1);
        EXPECT_EQ(writeVendorId(*file, 0x3A5E), WriteStatus::Written);
        EXPECT_EQ(writeProductId(*file, 0xBEEF), WriteStatus::Written);
        touch(5, 4);
        EXPECT_EQ(writeUpsideDown(*file, true), WriteStatus::Written);
        touch(18, 1);
        EXPECT_EQ(writeDeviceDescription(*file, "Cam!"), WriteStatus::Written);
        touch(kRecordOffset, 5);
        EXPECT_EQ(writeVersionText(*file, VersionField::Bin, "B-2.0"), WriteStatus::Written);
        EXPECT_EQ(writeVersionText(*file, VersionField::Hw, "HW-0123456789ABC"),
                  WriteStatus::Written);
        touch(0x70, 32);
        int value = 1;
        for (PictureParameter parameter : kPictureParameters) {
            const auto& location = offsets[parameter];
            ParameterValues values{value, value + 1, value + 2};
            if (parameter == PictureParameter::Hue) values = {std::nullopt, -value, value};
            EXPECT_EQ(writeParameter(*file, kBase, offsets, parameter, values),
                      WriteStatus::Written);
            if (location.defaultValue) touch(kBase + *location.defaultValue, 2);
            touch(kBase + location.minimum, 4);
            value += 10;
        }
        const auto powerLine = powerLineCodeOffset(ImageLayout::Large, kBase, offsets);
        EXPECT_EQ(writeByte(*file, powerLine, kPowerLineCode60Hz), WriteStatus::Written);
        touch(powerLine, 1);
        EXPECT_TRUE(file->Close());
    }

    const auto written = testing::TempDir::ReadFile(path);
    ASSERT_EQ(written.size(), original.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!touched.count(i)) {
            EXPECT_EQ(written[i], original[i]) << "offset " << i;
        }
    }

    auto file = ImageFile::OpenForReading(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(readMarker(*file), 'A');
    EXPECT_EQ(readVendorId(*file), 0x3A5E);
    EXPECT_EQ(readProductId(*file), 0xBEEF);
    EXPECT_EQ(readUpsideDown(*file), true);
    EXPECT_EQ(readDeviceDescription(*file), "Cam!");
    EXPECT_EQ(readVersionText(*file, VersionField::Bin), "B-2.0");
    EXPECT_EQ(readVersionText(*file, VersionField::Hw), "HW-0123456789ABC");
    int value = 1;
    for (PictureParameter parameter : kPictureParameters) {
        const ParameterValues expected = parameter == PictureParameter::Hue
                                             ? ParameterValues{std::nullopt, -value, value}
                                             : ParameterValues{value, value + 1, value + 2};
        EXPECT_EQ(readParameter(*file, kBase, offsets, parameter), expected);
        value += 10;
    }
    EXPECT_EQ(readByte(*file, powerLineCodeOffset(ImageLayout::Large, kBase, offsets)), 2);
}

TEST(ImageFile, SameFileReadsDifferentlyWithSmallAndLargeTypes) {
    testing::TempDir dir;
    auto bytes = LargeImage();
    for (std::size_t i = 41; i <= 46; ++i) bytes[i] = static_cast<uint8_t>(i);
    bytes[kBase + 0x94] = 0x34;  // Kv2ToKv4 Brightness default
    bytes[kBase + 0x95] = 0x12;
    const auto path = dir.WriteFile("image.bin", bytes);
    auto file = ImageFile::OpenForReading(path);
    ASSERT_TRUE(file);
    const auto& kv2 = parameterOffsetsOf(ChipRevision::Kv2ToKv4);

    ASSERT_EQ(imageLayoutOf(kEeprom24C08), ImageLayout::Small);
    EXPECT_EQ(readByte(*file, *smallDefaultOffset(PictureParameter::Brightness)), 41);
    EXPECT_EQ(readByte(*file, powerLineCodeOffset(ImageLayout::Small, kBase, kv2)), 46);

    ASSERT_EQ(imageLayoutOf(kEeprom24C64), ImageLayout::Large);
    const auto base = readParameterBase(*file);
    ASSERT_EQ(base, kBase);
    EXPECT_EQ(checkImageLength(file->Size(), ImageLayout::Large, *base), LengthCheck::Acceptable);
    EXPECT_EQ(readParameter(*file, *base, kv2, PictureParameter::Brightness)->defaultValue, 0x1234);
}

TEST(ImageFile, UpdateNeverChangesTheFileLength) {
    testing::TempDir dir;
    const auto original = testing::PatternBytes(100);
    const auto path = dir.WriteFile("short.bin", original);
    {
        auto file = ImageFile::OpenForUpdate(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Size(), 100u);
        EXPECT_EQ(writeLe16(*file, 99, 0xFFFF), WriteStatus::BeyondEnd);
        EXPECT_EQ(writeVersionText(*file, VersionField::Bin, "x"), WriteStatus::BeyondEnd);
        EXPECT_FALSE(readVersionText(*file, VersionField::Bin));
        EXPECT_EQ(writeByte(*file, 99, 0), WriteStatus::Written);
        EXPECT_TRUE(file->Close());
    }
    auto expected = original;
    expected[99] = 0;
    EXPECT_EQ(testing::TempDir::ReadFile(path), expected);
}

TEST(ImageFile, OpeningFailsWithoutCreatingAnything) {
    testing::TempDir dir;
    const auto missing = dir.path() / "missing.bin";
    EXPECT_FALSE(ImageFile::OpenForReading(missing));
    EXPECT_FALSE(ImageFile::OpenForUpdate(missing));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(ImageFile::OpenForReading(dir.path()));
    EXPECT_FALSE(ImageFile::OpenForUpdate(dir.path()));
    EXPECT_FALSE(readWholeFile(missing));
}

TEST(ImageFile, ReadOnlyFileRefusesWrites) {
    testing::TempDir dir;
    const auto original = testing::PatternBytes(64);
    const auto path = dir.WriteFile("image.bin", original);
    {
        auto file = ImageFile::OpenForReading(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(writeMarker(*file, 'B'), WriteStatus::Failed);
        EXPECT_EQ(readMarker(*file), original[0]);
        EXPECT_TRUE(file->Close());
        EXPECT_FALSE(readMarker(*file));
    }
    EXPECT_EQ(testing::TempDir::ReadFile(path), original);
}

TEST(ImageFile, WholeFileIsReadForUpload) {
    testing::TempDir dir;
    const auto original = testing::PatternBytes(16385);
    EXPECT_EQ(readWholeFile(dir.WriteFile("big.bin", original)), original);
    EXPECT_EQ(readWholeFile(dir.WriteFile("empty.bin", {})), std::vector<uint8_t>{});
}

}  // namespace
}  // namespace kestrovane
