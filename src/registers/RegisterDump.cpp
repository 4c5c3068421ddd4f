#include "registers/RegisterDump.h"

#include <algorithm>

namespace kestrovane {

std::optional<RegisterRange> DumpRange(RegisterKind kind, uint16_t start, uint16_t addressLimit) {
    if (kind == RegisterKind::Chip) {
        return RegisterRange{0, std::min(kChipDumpLast, addressLimit)};
    }
    if (start > addressLimit) return std::nullopt;
    const uint32_t last = std::min<uint32_t>(start + kSensorDumpCount - 1, addressLimit);
    return RegisterRange{start, static_cast<uint16_t>(last)};
}

RegisterRunResult DumpRegisters(RegisterSession& session, RegisterKind kind, RegisterRange range,
                                const std::function<void(uint16_t, uint16_t)>& onValue) {
    RegisterRunResult result;
    // 32 bits, so that a range ending at 0xFFFF ends.
    for (uint32_t address = range.first; address <= range.last; ++address) {
        const auto register16 = static_cast<uint16_t>(address);
        if (session.IsRefused(kind, register16)) continue;
        uint16_t value = 0;
        if (const int code = session.Read(kind, register16, value); code != XU_OK) {
            result.code = code;
            result.failedAddress = register16;
            return result;
        }
        onValue(register16, value);
        ++result.done;
    }
    return result;
}

RegisterRunResult LoadRegisters(RegisterSession& session, RegisterKind kind,
                                std::span<const RegisterEntry> entries, Clock& clock) {
    RegisterRunResult result;
    for (const RegisterEntry& entry : entries) {
        if (session.IsRefused(kind, entry.address)) continue;
        if (const int code = session.Write(kind, entry.address, entry.value); code != XU_OK) {
            result.code = code;
            result.failedAddress = entry.address;
            result.failedLine = entry.lineNumber;
            return result;
        }
        ++result.done;
        // The sensor takes its time over each register it is given.
        if (kind == RegisterKind::Sensor) clock.SleepMs(kSensorWritePauseMs);
    }
    return result;
}

std::optional<RegisterEntry> FirstEntryAbove(std::span<const RegisterEntry> entries,
                                             uint16_t addressLimit) {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const RegisterEntry& e) {
        return e.address > addressLimit;
    });
    if (found == entries.end()) return std::nullopt;
    return *found;
}

}  // namespace kestrovane
