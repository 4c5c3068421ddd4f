#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/ByteAccess.h"
#include "image/MemoryImage.h"

namespace kestrovane {
namespace {

TEST(ByteAccess, WriteLe16PutsLowByteFirst) {
    std::vector<uint8_t> bytes(4, 0xAA);
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(writeLe16(image, 1, 0x1234), WriteStatus::Written);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0x34, 0x12, 0xAA}));
    EXPECT_EQ(readLe16(image, 1), 0x1234);
}

TEST(ByteAccess, WritesKeepOnlyTheLowBitsOfTheValue) {
    std::vector<uint8_t> bytes(3, 0);
    MemoryImage image{std::span(bytes)};
    writeLe16(image, 0, 70000);
    EXPECT_EQ(readLe16(image, 0), 0x1170);
    writeLe16(image, 0, -10);
    EXPECT_EQ(bytes[0], 0xF6);
    EXPECT_EQ(bytes[1], 0xFF);
    writeByte(image, 2, 300);
    EXPECT_EQ(bytes[2], 0x2C);
}

TEST(ByteAccess, FieldsPastTheEndAreMissingAndNeverWritten) {
    std::vector<uint8_t> bytes{1, 2, 3};
    MemoryImage image{std::span(bytes)};
    EXPECT_EQ(readByte(image, 2), 3);
    EXPECT_FALSE(readByte(image, 3));
    EXPECT_FALSE(readLe16(image, 2));  // the high byte would lie past the end
    EXPECT_FALSE(readLe16(image, SIZE_MAX));
    EXPECT_EQ(writeLe16(image, 2, 0xFFFF), WriteStatus::BeyondEnd);
    EXPECT_EQ(writeByte(image, SIZE_MAX, 0), WriteStatus::BeyondEnd);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ByteAccess, ReadOnlyMemoryRefusesWrites) {
    const std::vector<uint8_t> bytes{0x34, 0x12};
    MemoryImage image{std::span<const uint8_t>(bytes)};
    EXPECT_EQ(readLe16(image, 0), 0x1234);
    EXPECT_EQ(writeLe16(image, 0, 0), WriteStatus::Failed);
    EXPECT_EQ(readLe16(image, 0), 0x1234);
}

}  // namespace
}  // namespace kestrovane
