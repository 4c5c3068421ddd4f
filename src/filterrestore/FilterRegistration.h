#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrovane {

// Where the MJPEG decompressor's filter registration lives and what the repair
// changes in it.

// The instance list of the legacy DirectShow filter category.
inline constexpr std::string_view kFilterCategoryInstancePiece =
    "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";
// The MJPEG decompressor's instance key below it.
inline constexpr std::string_view kMjpegDecompressorPiece =
    "\\{301056D0-6DFF-11D2-9EEB-006008039E37}";

inline constexpr std::string_view kFilterDataValueName = "FilterData";

// The merit is the second 32-bit word of the registration record, little-endian.
inline constexpr std::size_t kMeritOffset = 4;
inline constexpr uint32_t kReplacementMerit = 0xFFFF0000u;

// The record must reach past the merit, and is read into a buffer of this size.
inline constexpr std::size_t kMinimumFilterDataLength = kMeritOffset + 4;
inline constexpr std::size_t kFilterDataCapacity = 400;

// Joins two key path pieces with exactly one backslash between them, whatever
// backslashes the pieces bring at the seam.
std::string JoinKeyPath(std::string_view head, std::string_view tail);

// The MJPEG decompressor's instance key below HKEY_CLASSES_ROOT.
std::string FilterKeyPath();

}  // namespace kestrovane
