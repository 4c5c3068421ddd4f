#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrovane {

// Fixed places of the fields that the programs interpret; every other byte of an image
// is carried unchanged. Offsets count from the start of the file, which is also the
// EEPROM address the byte is uploaded to.

// Both layouts.
inline constexpr std::size_t kMarkerOffset = 0;
inline constexpr std::size_t kVendorIdOffset = 5;            // 16-bit little-endian
inline constexpr std::size_t kProductIdOffset = 7;           // 16-bit little-endian
inline constexpr std::size_t kDescriptionOffsetOffset = 22;  // holds where the record starts
inline constexpr std::size_t kBinVersionOffset = 0x70;
inline constexpr std::size_t kHwVersionOffset = 0x80;
inline constexpr std::size_t kVersionFieldLength = 16;

// Large layout only.
inline constexpr std::size_t kIdentityFlagsOffset = 12;
inline constexpr std::size_t kOrientationFlagsOffset = 18;
inline constexpr std::size_t kParameterBaseOffset = 0x1C;
inline constexpr std::size_t kSupportBitsOffset = 38;  // 16-bit little-endian, read only

// Small layout only: one unsigned byte each.
inline constexpr std::size_t kSmallBrightnessOffset = 41;
inline constexpr std::size_t kSmallContrastOffset = 42;
inline constexpr std::size_t kSmallSaturationOffset = 43;
inline constexpr std::size_t kSmallSharpnessOffset = 44;
inline constexpr std::size_t kSmallGammaOffset = 45;
inline constexpr std::size_t kSmallPowerLineCodeOffset = 46;

// The marker byte: an EEPROM that reads 'B' holds an upload that never finished.
inline constexpr uint8_t kMarkerComplete = 'A';
inline constexpr uint8_t kMarkerUploadStarted = 'B';

// Identity flags.
inline constexpr uint8_t kIdentityIdsInUse = 0x01;
inline constexpr uint8_t kIdentityDescriptionInUse = 0x04;

// Orientation flags; the other bits belong to the firmware and survive every write.
inline constexpr uint8_t kOrientationUpsideDown = 0x01;

// Support bits, positions as in the video class processing unit's control bitmap.
inline constexpr int kSupportBitBrightness = 0;
inline constexpr int kSupportBitContrast = 1;
inline constexpr int kSupportBitHue = 2;
inline constexpr int kSupportBitSaturation = 3;
inline constexpr int kSupportBitSharpness = 4;
inline constexpr int kSupportBitGamma = 5;
inline constexpr int kSupportBitPowerLineFrequency = 10;

// Power-line frequency codes (the video class values of that control).
inline constexpr uint8_t kPowerLineCode50Hz = 1;
inline constexpr uint8_t kPowerLineCode60Hz = 2;

}  // namespace kestrovane
