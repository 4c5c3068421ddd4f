#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace kestrovane::sim {

// Kinds of request that a fault can be aimed at.
enum class RequestKind {
    SetOffset,   // EE_SET_OFFSET
    DataWord,    // EE_DATA_WORD
    EndBlock,    // EE_END_BLOCK
    CheckBlock,  // the GET that answers EE_CHECK_BLOCK
};

// How a block commit (EE_END_BLOCK, the controller's page write into the
// 24Cxx) is cut off. The host sees the transfer fail in every kind.
enum class TearKind {
    // Only the first `keptBytes` of the staged block reach the EEPROM.
    FirstBytes,
    // Cut before the stop condition that starts the EEPROM's write cycle: the
    // page write is all or nothing. Nothing is written, unless the stop went
    // out and only the answer to the host was lost (`pageWritten`).
    BeforeStop,
    // Power lost during the write cycle: every byte of the page write is
    // undefined afterwards (its old value, its new one or anything else).
    PowerLost,
};

struct CommitTear {
    TearKind kind = TearKind::FirstBytes;
    std::size_t keptBytes = 0;  // FirstBytes
    bool pageWritten = false;   // BeforeStop
    uint32_t seed = 0;          // PowerLost: which undefined values the bytes take
    // A pulled cable: the tear, and the camera is gone at once.
    bool cablePulled = false;
};

// What a torn commit of `staged` at `offset` (wrapping at the end) leaves in
// `eeprom`.
void ApplyTear(const CommitTear& tear, std::span<const uint8_t> staged, std::size_t offset,
               std::vector<uint8_t>& eeprom);

// The faults planned for one controller. Transfer and block numbers are the
// controller's running counts (1 = its first transfer, its first block).
struct FaultPlan {
    std::optional<uint64_t> failTransferAt;
    std::optional<uint64_t> shortReplyAt;
    std::optional<uint64_t> unplugAfter;  // transfers served before the camera is gone
    std::optional<std::pair<RequestKind, uint64_t>> failFromBlock;
    std::optional<uint64_t> mismatchBlock;
    std::optional<uint64_t> tearAt;
    CommitTear tear;
    uint32_t latencyUs = 0;

    // Whether a request of `kind` in block `block` fails.
    bool FailsRequest(RequestKind kind, uint64_t block) const;
    // Every fault given up; the latency stays.
    void Clear();
};

}  // namespace kestrovane::sim
