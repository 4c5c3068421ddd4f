#include <gtest/gtest.h>

#include "image/EepromType.h"

namespace kestrovane {
namespace {

TEST(EepromType, SmallPartsAndNoSelectionUseSmallLayoutAndEightByteBlocks) {
    for (EepromType type : {kNoEepromType, kEeprom24C02, kEeprom24C04, kEeprom24C08}) {
        EXPECT_EQ(imageLayoutOf(type), ImageLayout::Small) << type;
        EXPECT_EQ(uploadBlockSize(type), 8u) << type;
    }
}

TEST(EepromType, LargePartsUseLargeLayoutAndThirtyTwoByteBlocks) {
    for (EepromType type : {kEeprom24C64, kEeprom24C128}) {
        EXPECT_EQ(imageLayoutOf(type), ImageLayout::Large) << type;
        EXPECT_EQ(uploadBlockSize(type), 32u) << type;
    }
}

TEST(EepromType, CapacityFollowsTheComboLabels) {
    EXPECT_EQ(eepromCapacity(kEeprom24C02), 256u);
    EXPECT_EQ(eepromCapacity(kEeprom24C04), 512u);
    EXPECT_EQ(eepromCapacity(kEeprom24C08), 1024u);
    EXPECT_EQ(eepromCapacity(kEeprom24C64), 8192u);
    EXPECT_EQ(eepromCapacity(kEeprom24C128), 16384u);
    EXPECT_FALSE(eepromCapacity(kNoEepromType));
    EXPECT_FALSE(eepromCapacity(5));
}

}  // namespace
}  // namespace kestrovane
