#include "cli/ImageNames.h"

#include <array>

#include "camera/Discovery.h"

namespace kestrovane::cli {

namespace {

constexpr std::array<std::string_view, 5> kEepromNames{"24C02", "24C04", "24C08", "24C64",
                                                       "24C128"};

}  // namespace

std::string_view EepromTypeName(EepromType type) {
    if (type < 0 || static_cast<std::size_t>(type) >= kEepromNames.size()) return "none";
    return kEepromNames[static_cast<std::size_t>(type)];
}

std::optional<EepromType> EepromTypeNamed(std::string_view name) {
    const std::string upper = ToUpperAscii(name);
    for (std::size_t index = 0; index < kEepromNames.size(); ++index) {
        if (upper == kEepromNames[index]) return static_cast<EepromType>(index);
    }
    return std::nullopt;
}

std::string_view ChipName(ChipRevision revision) {
    return revision == ChipRevision::Kv5 ? "kv5" : "kv2-kv4";
}

std::optional<ChipRevision> ChipNamed(std::string_view name) {
    const std::string upper = ToUpperAscii(name);
    if (upper == "KV5") return ChipRevision::Kv5;
    if (upper == "KV2-KV4") return ChipRevision::Kv2ToKv4;
    return std::nullopt;
}

}  // namespace kestrovane::cli
