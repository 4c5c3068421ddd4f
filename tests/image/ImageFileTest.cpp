#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "image/ImageFile.h"
#include "image/ImageFormat.h"

namespace kestrovane {
namespace {

constexpr uint8_t kTableBase = 0x40;
constexpr uint8_t kRecordOffset = 0xA0;

ParameterValues ValuesFor(PictureParameter parameter) {
    const int n = static_cast<int>(parameter) * 10 + 1;
    if (parameter == PictureParameter::Hue) return {std::nullopt, -n, n};
    return {n, n + 1, n + 2};
}

TEST(ImageFile, EveryFieldRoundTripsInPlaceAndNothingElseChanges) {
    testing::TempDir dir;
    auto original = testing::PatternBytes(1000);
    original[22] = kRecordOffset;
    original[kRecordOffset] = 4;
    original[kParameterBaseOffset] = kTableBase;
    const auto path = dir.WriteFile("image.bin", original);
    const auto& kv5 = parameterOffsetsOf(ChipRevision::Kv5);
    const auto powerLine = powerLineCodeOffset(ImageLayout::Large, kTableBase, kv5);
    {
        auto file = ImageFile::OpenForUpdate(path);
        ASSERT_TRUE(file);
        for (WriteStatus status :
             {writeMarker(*file, kMarkerComplete), writeVendorId(*file, 0x3A5E),
              writeProductId(*file, 0xBEEF), writeUpsideDown(*file, true),
              writeDeviceDescription(*file, "Cam!"),
              writeVersionText(*file, VersionField::Bin, "B-2.0"),
              writeVersionText(*file, VersionField::Hw, "HW-0123456789ABC"),
              writeByte(*file, powerLine, kPowerLineCode60Hz)}) {
            EXPECT_EQ(status, WriteStatus::Written);
        }
        for (PictureParameter parameter : kPictureParameters) {
            EXPECT_EQ(writeParameter(*file, kTableBase, kv5, parameter, ValuesFor(parameter)),
                      WriteStatus::Written);
        }
        EXPECT_TRUE(file->Close());
    }

    std::vector<std::pair<std::size_t, std::size_t>> fields{
        {0, 1}, {5, 4}, {18, 1}, {kRecordOffset, 5}, {0x70, 32}, {powerLine, 1}};
    for (PictureParameter parameter : kPictureParameters) {
        if (kv5[parameter].defaultValue)
            fields.emplace_back(kTableBase + *kv5[parameter].defaultValue, 2);
        fields.emplace_back(kTableBase + kv5[parameter].minimum, 4);
    }
    const auto written = *readWholeFile(path);
    ASSERT_EQ(written.size(), original.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const bool inField = std::any_of(fields.begin(), fields.end(), [i](const auto& field) {
            return i >= field.first && i < field.first + field.second;
        });
        if (!inField) {
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
    EXPECT_EQ(readByte(*file, powerLine), 2);
    for (PictureParameter parameter : kPictureParameters) {
        EXPECT_EQ(readParameter(*file, kTableBase, kv5, parameter), ValuesFor(parameter));
    }
    // Read as a Small image, the same file shows its one-byte defaults at 41 to 46.
    EXPECT_EQ(readByte(*file, *smallDefaultOffset(PictureParameter::Gamma)), original[45]);
    EXPECT_EQ(readByte(*file, powerLineCodeOffset(ImageLayout::Small, kTableBase, kv5)), original[46]);
}

TEST(ImageFile, UpdateNeverChangesTheFileLength) {
    testing::TempDir dir;
    const auto original = testing::PatternBytes(100);
    const auto path = dir.WriteFile("short.bin", original);
    {
        auto file = ImageFile::OpenForUpdate(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(writeLe16(*file, 99, 0xFFFF), WriteStatus::BeyondEnd);
        EXPECT_EQ(writeVersionText(*file, VersionField::Bin, "x"), WriteStatus::BeyondEnd);
        EXPECT_EQ(writeByte(*file, 99, 0), WriteStatus::Written);
        EXPECT_TRUE(file->Close());
    }
    auto expected = original;
    expected[99] = 0;
    EXPECT_EQ(readWholeFile(path), expected);

    auto readOnly = ImageFile::OpenForReading(path);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(writeByte(*readOnly, 0, 'B'), WriteStatus::Failed);
    EXPECT_EQ(readWholeFile(dir.WriteFile("empty.bin", {})), std::vector<uint8_t>{});
}

TEST(ImageFile, OpeningFailsWithoutCreatingAnything) {
    testing::TempDir dir;
    const auto missing = dir.path() / "missing.bin";
    EXPECT_FALSE(ImageFile::OpenForReading(missing));
    EXPECT_FALSE(ImageFile::OpenForUpdate(missing));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(ImageFile::OpenForUpdate(dir.path()));
    EXPECT_FALSE(readWholeFile(missing));
}

}  // namespace
}  // namespace kestrovane
