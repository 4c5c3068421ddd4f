#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/Clock.h"
#include "camera/XuRequests.h"
#include "camera/XuTypes.h"
#include "camera/sim/FaultPlan.h"

namespace kestrovane::sim {

// One request as the controller received it.
struct RecordedTransfer {
    uint32_t selector = 0;
    bool isGet = false;
    XuRequest bytes{};  // for a GET: the reply
};

// A model of the Tovrine controller behind the extension unit: the 24Cxx
// EEPROM with its staging buffer, the write-enable registers, the chip and
// sensor register files and the protocol level it answers. Thread-safe.
//
// EEPROM writes go through a staging buffer: EE_SET_OFFSET starts a block,
// each EE_DATA_WORD appends two bytes, EE_END_BLOCK writes the staged bytes to
// the EEPROM (only while the EEPROM is write-enabled). A data word that is
// answered by a GET is a block check: it is taken back out of the staging
// buffer, and the reply says whether the EEPROM holds the staged block.
class SimulatedController {
public:
    static constexpr uint16_t kWriteEnableRegister = 0xBF76;
    static constexpr uint16_t kEepromControlRegister = 0x0109;
    static constexpr uint16_t kWriteProtectRegister = 0x0107;
    static constexpr size_t kStagingCapacity = 64;

    explicit SimulatedController(size_t eepromSize = 16384, XuProtocolLevel level = 2);

    // The extension unit's answer to one property request of the host (the
    // device has already checked that it addresses the extension unit's node).
    HResult Transfer(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                     uint32_t* bytesReturned, Clock& clock);

    // --- what the camera holds ---
    size_t EepromSize() const;
    std::vector<uint8_t> Eeprom() const;
    uint8_t EepromByte(size_t address) const;
    // Writes straight into the EEPROM, as a programmer on the bench would.
    void WriteEeprom(size_t address, const std::vector<uint8_t>& bytes);
    uint8_t ChipRegister(uint16_t address) const;
    void SetChipRegister(uint16_t address, uint8_t value);
    uint16_t SensorRegister(uint16_t address) const;
    void SetSensorRegister(uint16_t address, uint16_t value);
    bool EepromWritable() const;
    XuProtocolLevel ProtocolLevel() const;
    void SetProtocolLevel(XuProtocolLevel level);

    // --- recorded requests ---
    std::vector<RecordedTransfer> TransferLog() const;
    void ClearTransferLog();
    uint64_t TransferCount() const;
    std::vector<uint8_t> EepromTypeRequests() const;
    int JumpRequests() const;
    // A restart boots the new image when a jump was asked for since the last one.
    void Restart();
    int RestartCount() const;
    bool RunningNewImage() const;

    // --- presence ---
    bool Present() const;
    void Unplug();
    void Replug();

    // --- fault injection; transfer and block numbers count from the call, 1 = the next ---
    void FailNthTransfer(uint64_t n);
    void ShortReplyOnNthTransfer(uint64_t n);
    void UnplugAfterTransfers(uint64_t n);
    // Fails every request of `kind` from the `block`-th block on (a block begins
    // with EE_SET_OFFSET; 1 = the next block).
    void FailRequestFromBlock(RequestKind kind, uint64_t block);
    // Answers the check of the `block`-th block from now with a mismatch.
    void MismatchCheckOfBlock(uint64_t block);
    // The n-th transfer is cut off: when it is an EE_END_BLOCK, only the first
    // `keptBytes` of the staged block reach the EEPROM; either way the
    // transfer fails.
    void TearNthTransfer(uint64_t n, size_t keptBytes);
    // The n-th transfer is cut off as `tear` says when it is an EE_END_BLOCK
    // (FaultPlan.h: all or nothing before the stop condition, undefined bytes
    // after a power loss in the write cycle, a pulled cable); either way the
    // transfer fails, and a pulled cable leaves the camera gone.
    void TearNthTransfer(uint64_t n, const CommitTear& tear);
    void SetLatencyUs(uint32_t microseconds);
    void ClearFaults();

    // --- persistence of the EEPROM between runs of a demo (UTF-8 paths) ---
    bool LoadEepromFile(const std::string& path);
    bool SaveEepromFile(const std::string& path) const;
    // Called after each transfer that committed bytes into the EEPROM (an
    // end of block, a torn one included), on the transferring thread and
    // outside the controller's lock: what a real EEPROM keeps through a
    // power loss, for a simulation that keeps its EEPROM in a file.
    void OnEepromCommitted(std::function<void()> listener);

private:
    enum class Pending { None, RegisterRead, DirectRead, EepromRead, Probe, BlockCheck };

    HResult Handle(uint32_t selector, bool isGet, XuRequest& bytes, uint32_t* bytesReturned);
    void HandleEepromSet(const XuRequest& bytes);
    HResult TransferLocked(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                           uint32_t* bytesReturned);
    void CommitStaged(size_t count);
    void HandleCommandSet(const XuRequest& bytes);
    void HandleLevel2CommandSet(const XuRequest& bytes);
    bool ApplyOp(uint8_t op, uint16_t operand);
    void RecordJump();
    void SelectRegister(bool sensor, uint16_t address);
    void WriteSelectedRegister(uint16_t value);
    XuRequest EepromChannelReply(const XuRequest& last);
    XuRequest CommandChannelReply(const XuRequest& last);
    bool StagedBlockMatches() const;
    bool WritableLocked() const;
    uint64_t CurrentBlock() const { return blocksStarted_; }
    bool FaultAt(RequestKind kind) const { return faults_.FailsRequest(kind, CurrentBlock()); }

    mutable std::mutex mutex_;
    std::vector<uint8_t> eeprom_;
    std::vector<uint8_t> chipRegisters_;
    std::vector<uint16_t> sensorRegisters_;
    XuProtocolLevel level_;

    uint16_t stagingOffset_ = 0;
    std::vector<uint8_t> staged_;
    size_t droppedWords_ = 0;  // data words of this block that found the buffer full
    std::pair<uint8_t, uint8_t> lastWord_{};
    bool lastWordStaged_ = false;
    uint16_t directAddress_ = 0;
    bool selectedSensor_ = false;
    uint16_t selectedAddress_ = 0;
    uint16_t eepromReadOffset_ = 0;
    Pending pendingEeprom_ = Pending::None;
    Pending pendingCommand_ = Pending::None;
    XuRequest lastEepromSet_{};
    XuRequest lastCommandSet_{};

    std::vector<RecordedTransfer> log_;
    uint64_t transfers_ = 0;
    uint64_t commits_ = 0;
    std::function<void()> commitListener_;
    uint64_t blocksStarted_ = 0;
    std::vector<uint8_t> typeRequests_;
    int jumps_ = 0;
    bool jumpSinceRestart_ = false;
    int restarts_ = 0;
    bool runningNewImage_ = false;
    bool present_ = true;

    FaultPlan faults_;
};

}  // namespace kestrovane::sim
