#include "image/LengthRules.h"

#include <algorithm>

namespace kestrovane {

static_assert(kMinimumLargeImageLength >= 0xFF + kParameterBlockSpan,
              "the fixed bound must cover the parameter block for every base");

LengthCheck checkImageLength(std::size_t length, ImageLayout layout, uint8_t parameterBase) {
    if (length < kMinimumImageLength) return LengthCheck::ShorterThanHeader;
    if (layout == ImageLayout::Large) {
        const std::size_t needed =
            std::max(kMinimumLargeImageLength, std::size_t{parameterBase} + kParameterBlockSpan);
        if (length < needed) return LengthCheck::ShorterThanParameterBlock;
    }
    return LengthCheck::Acceptable;
}

}  // namespace kestrovane
