#include <gtest/gtest.h>

#include "image/LengthRules.h"

namespace kestrovane {
namespace {

TEST(LengthRules, EveryImageNeedsTwentyEightBytes) {
    for (ImageLayout layout : {ImageLayout::Small, ImageLayout::Large}) {
        EXPECT_EQ(checkImageLength(27, layout, 0), LengthCheck::ShorterThanHeader);
        EXPECT_EQ(checkImageLength(0, layout, 0), LengthCheck::ShorterThanHeader);
    }
    EXPECT_EQ(checkImageLength(28, ImageLayout::Small, 0), LengthCheck::Acceptable);
}

TEST(LengthRules, LargeImageNeeds733BytesWhateverTheBase) {
    for (int base = 0; base <= 255; ++base) {
        const auto b = static_cast<uint8_t>(base);
        EXPECT_EQ(checkImageLength(732, ImageLayout::Large, b),
                  LengthCheck::ShorterThanParameterBlock)
            << base;
        EXPECT_EQ(checkImageLength(733, ImageLayout::Large, b), LengthCheck::Acceptable) << base;
        // The parameter block's last byte lies inside every accepted image.
        EXPECT_LT(std::size_t{b} + 0xC3, 733u);
    }
    EXPECT_EQ(checkImageLength(732, ImageLayout::Small, 255), LengthCheck::Acceptable);
}

}  // namespace
}  // namespace kestrovane
