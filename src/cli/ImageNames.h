#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "image/EepromType.h"
#include "image/ParameterOffsets.h"

namespace kestrovane::cli {

// The EEPROM types and chip revisions as the command line names them:
// "24C02", "24C04", "24C08", "24C64", "24C128"; "kv5", "kv2-kv4".
std::string_view EepromTypeName(EepromType type);
std::optional<EepromType> EepromTypeNamed(std::string_view name);
std::string_view ChipName(ChipRevision revision);
std::optional<ChipRevision> ChipNamed(std::string_view name);

}  // namespace kestrovane::cli
