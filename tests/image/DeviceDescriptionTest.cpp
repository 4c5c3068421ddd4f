#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "image/DeviceDescription.h"
#include "image/MemoryImage.h"

namespace kestrovane {
namespace {

// An image of the given length whose description record starts at recordOffset.
std::vector<uint8_t> ImageWithRecord(std::size_t length, uint8_t recordOffset,
                                     std::string_view text) {
    auto bytes = testing::PatternBytes(length);
    bytes[22] = recordOffset;
    bytes[recordOffset] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), bytes.begin() + recordOffset + 1);
    return bytes;
}

TEST(DeviceDescription, ReadsTheRecordThatByte22PointsTo) {
    auto bytes = ImageWithRecord(300, 200, "Pelloric Cam");
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(readDeviceDescription(image), "Pelloric Cam");
}

TEST(DeviceDescription, LengthZeroIsEmptyWhateverFollows) {
    auto bytes = ImageWithRecord(300, 64, "");
    bytes[65] = 'Q';
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(readDeviceDescription(image), "");
}

TEST(DeviceDescription, RecordRunningPastTheEndIsReportedNotRead) {
    // Characters run one byte past the end.
    auto bytes = ImageWithRecord(100, 90, "123456789");
    bytes[90] = 10;
    EXPECT_FALSE(readDeviceDescription(MemoryImage{std::span(bytes)}));
    // The length byte itself lies past the end.
    bytes[22] = 100;
    EXPECT_FALSE(readDeviceDescription(MemoryImage{std::span(bytes)}));
    // The image does not even reach byte 22.
    std::vector<uint8_t> tiny(22, 0);
    EXPECT_FALSE(readDeviceDescription(MemoryImage{std::span(tiny)}));
    // A record that ends exactly at the last byte is whole.
    auto exact = ImageWithRecord(100, 90, "123456789");
    EXPECT_EQ(readDeviceDescription(MemoryImage{std::span(exact)}), "123456789");
}

TEST(DeviceDescription, RewriteStaysWhereTheRecordStands) {
    auto bytes = ImageWithRecord(300, 100, "Cam");
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};

    ASSERT_EQ(writeDeviceDescription(image, "LongerName"), WriteStatus::Written);
    EXPECT_EQ(readDeviceDescription(image), "LongerName");
    EXPECT_EQ(bytes[100], 10);
    // Nothing before the record and nothing after the new text changed.
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100, before.begin()));
    EXPECT_TRUE(std::equal(bytes.begin() + 111, bytes.end(), before.begin() + 111));

    ASSERT_EQ(writeDeviceDescription(image, "ab"), WriteStatus::Written);
    EXPECT_EQ(readDeviceDescription(image), "ab");
    EXPECT_EQ(bytes[103], 'n');  // the old tail stays behind

    ASSERT_EQ(writeDeviceDescription(image, ""), WriteStatus::Written);
    EXPECT_EQ(bytes[100], 0);
    EXPECT_EQ(bytes[101], 'a');
}

TEST(DeviceDescription, WritesThatCannotBeStoredChangeNothing) {
    auto bytes = ImageWithRecord(300, 250, "x");
    const auto before = bytes;
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeDeviceDescription(image, std::string(256, 'a')), WriteStatus::TooLong);
    // 250 + 1 + 49 = 300 fits exactly; one more character would grow the image.
    EXPECT_EQ(writeDeviceDescription(image, std::string(50, 'a')), WriteStatus::BeyondEnd);
    EXPECT_EQ(bytes, before);
    EXPECT_EQ(writeDeviceDescription(image, std::string(49, 'a')), WriteStatus::Written);

    auto room = ImageWithRecord(600, 0x20, "");
    MemoryImage roomy{std::span(room)};
    EXPECT_EQ(writeDeviceDescription(roomy, std::string(255, 'z')), WriteStatus::Written);
    EXPECT_EQ(readDeviceDescription(roomy), std::string(255, 'z'));
}

}  // namespace
}  // namespace kestrovane
