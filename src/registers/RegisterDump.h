#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "camera/Clock.h"
#include "registers/RegisterFile.h"
#include "registers/RegisterSession.h"

namespace kestrovane {

// Dumps and loads of whole register sets over one RegisterSession: every
// register of a file goes over the session's one link, in the order the file
// or the range gives.

// A range of register addresses, both ends included.
struct RegisterRange {
    uint16_t first = 0;
    uint16_t last = 0;

    friend bool operator==(const RegisterRange&, const RegisterRange&) = default;
};

inline constexpr uint16_t kChipDumpLast = 0x00FF;
inline constexpr uint32_t kSensorDumpCount = 256;
// Pause after each sensor register written from a file.
inline constexpr uint32_t kSensorWritePauseMs = 20;

// The registers a dump covers: the chip's 0x0000 to 0x00FF; 256 sensor
// registers from `start`, stopping at 0xFFFF. Neither runs past
// `addressLimit` (0xFF at level 0). Nothing when the start lies above it.
std::optional<RegisterRange> DumpRange(RegisterKind kind, uint16_t start, uint16_t addressLimit);

// How a dump or a load ended.
struct RegisterRunResult {
    int code = XU_OK;      // XU_OK, or the code of the failing request
    std::size_t done = 0;  // registers read or written
    uint16_t failedAddress = 0;
    std::size_t failedLine = 0;  // a load: the file line of the failing entry
};

// Reads the registers of `range` in ascending order, passing over those the
// session refuses, and hands each value read to `onValue`. Stops at the first
// read that fails.
RegisterRunResult DumpRegisters(
    RegisterSession& session, RegisterKind kind, RegisterRange range,
    const std::function<void(uint16_t address, uint16_t value)>& onValue);

// Writes every entry in file order, passing over those the session refuses,
// and pauses kSensorWritePauseMs after each sensor register written. Stops at
// the first write that fails; the registers written before keep their values.
RegisterRunResult LoadRegisters(RegisterSession& session, RegisterKind kind,
                                std::span<const RegisterEntry> entries, Clock& clock);

// The first entry whose address lies above `addressLimit`, or none.
std::optional<RegisterEntry> FirstEntryAbove(std::span<const RegisterEntry> entries,
                                             uint16_t addressLimit);

}  // namespace kestrovane
