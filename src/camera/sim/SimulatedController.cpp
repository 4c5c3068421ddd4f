#include "camera/sim/SimulatedController.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/FileReplacement.h"
#include "files/Utf8Path.h"

namespace kestrovane::sim {

namespace {

// Power-on values of the registers that guard EEPROM writes: each step of the
// host's write-enable sequence is needed to open the EEPROM.
constexpr uint8_t kWriteEnablePowerOn = 0x00;    // must become 0x20
constexpr uint8_t kEepromControlPowerOn = 0x1F;  // bits 5 and 7 must be set, bit 4 clear
constexpr uint8_t kWriteProtectPowerOn = 0x01;   // bit 0 must be clear

uint16_t Operand(uint8_t low, uint8_t high) {
    return static_cast<uint16_t>(low | (high << 8));
}

}  // namespace

SimulatedController::SimulatedController(size_t eepromSize, XuProtocolLevel level)
    : eeprom_(std::max<size_t>(eepromSize, 1), 0xFF),
      chipRegisters_(0x10000, 0),
      sensorRegisters_(0x10000, 0),
      level_(level) {
    chipRegisters_[kWriteEnableRegister] = kWriteEnablePowerOn;
    chipRegisters_[kEepromControlRegister] = kEepromControlPowerOn;
    chipRegisters_[kWriteProtectRegister] = kWriteProtectPowerOn;
}

HResult SimulatedController::Transfer(const NodePropertyRequest& request, uint8_t* data,
                                      uint32_t length, uint32_t* bytesReturned, Clock& clock) {
    uint32_t latency = 0;
    {
        std::lock_guard lock(mutex_);
        latency = faults_.latencyUs;
    }
    if (latency > 0) clock.SleepUs(latency);

    HResult result = kE_FAIL;
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        const uint64_t commitsBefore = commits_;
        result = TransferLocked(request, data, length, bytesReturned);
        if (commits_ != commitsBefore) listener = commitListener_;
    }
    // Outside the lock: the listener may read the EEPROM (to save it).
    if (listener) listener();
    return result;
}

void SimulatedController::OnEepromCommitted(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    commitListener_ = std::move(listener);
}

HResult SimulatedController::TransferLocked(const NodePropertyRequest& request, uint8_t* data,
                                            uint32_t length, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    if (!present_) return kE_DEVICE_GONE;
    if (faults_.unplugAfter && transfers_ >= *faults_.unplugAfter) {
        present_ = false;
        return kE_DEVICE_GONE;
    }
    ++transfers_;

    const bool isGet = request.flags == kXuGetFlags;
    const bool framed = request.set == XuPropertySet && request.reserved == 0 &&
                        (isGet || request.flags == kXuSetFlags) &&
                        (request.id == EepromChannel || request.id == CommandChannel) &&
                        length == kXuRequestLength && data != nullptr;
    if (!framed) return kE_FAIL;
    if (faults_.failTransferAt && transfers_ == *faults_.failTransferAt) return kE_FAIL;

    XuRequest bytes;
    std::copy_n(data, kXuRequestLength, bytes.begin());
    if (faults_.tearAt && transfers_ == *faults_.tearAt) {
        if (!isGet && request.id == EepromChannel && bytes[0] == EE_END_BLOCK && WritableLocked()) {
            ApplyTear(faults_.tear, staged_, stagingOffset_, eeprom_);
        }
        if (faults_.tear.cablePulled) present_ = false;
        return kE_FAIL;
    }
    uint32_t returned = 0;
    const HResult result = Handle(request.id, isGet, bytes, &returned);
    if (result != kS_OK) return result;
    if (isGet && faults_.shortReplyAt && transfers_ == *faults_.shortReplyAt) returned = 2;
    std::copy_n(bytes.begin(), returned, data);
    if (bytesReturned) *bytesReturned = returned;
    return kS_OK;
}

HResult SimulatedController::Handle(uint32_t selector, bool isGet, XuRequest& bytes,
                                    uint32_t* bytesReturned) {
    if (!isGet) {
        if (selector == EepromChannel) {
            if (bytes[0] == EE_SET_OFFSET) ++blocksStarted_;
            const bool staging =
                bytes[0] == EE_SET_OFFSET || bytes[0] == EE_DATA_WORD || bytes[0] == EE_END_BLOCK;
            if (staging) {
                const RequestKind kind = bytes[0] == EE_SET_OFFSET  ? RequestKind::SetOffset
                                         : bytes[0] == EE_DATA_WORD ? RequestKind::DataWord
                                                                    : RequestKind::EndBlock;
                if (FaultAt(kind)) return kE_FAIL;
            }
            HandleEepromSet(bytes);
        } else {
            HandleCommandSet(bytes);
        }
        log_.push_back({selector, false, bytes});
        return kS_OK;
    }
    if (selector == EepromChannel) {
        if (pendingEeprom_ == Pending::BlockCheck && FaultAt(RequestKind::CheckBlock)) {
            return kE_FAIL;
        }
        bytes = EepromChannelReply(lastEepromSet_);
    } else {
        bytes = CommandChannelReply(lastCommandSet_);
    }
    *bytesReturned = kXuRequestLength;
    log_.push_back({selector, true, bytes});
    return kS_OK;
}

void SimulatedController::CommitStaged(size_t count) {
    ++commits_;
    for (size_t i = 0; i < count; ++i) {
        eeprom_[(stagingOffset_ + i) % eeprom_.size()] = staged_[i];
    }
}

void SimulatedController::HandleEepromSet(const XuRequest& bytes) {
    lastEepromSet_ = bytes;
    pendingEeprom_ = Pending::None;
    switch (bytes[0]) {
        case EE_SET_OFFSET:
            stagingOffset_ = Operand(bytes[1], bytes[2]);
            staged_.clear();
            droppedWords_ = 0;
            break;
        case EE_DATA_WORD:
            // Kept in the staging buffer while it has room; a GET that follows
            // makes it a block check, answered also when the word found no room.
            lastWord_ = {bytes[1], bytes[2]};
            lastWordStaged_ = staged_.size() + 2 <= kStagingCapacity;
            if (lastWordStaged_) {
                staged_.push_back(bytes[1]);
                staged_.push_back(bytes[2]);
            } else {
                ++droppedWords_;
            }
            pendingEeprom_ = Pending::BlockCheck;
            break;
        case EE_END_BLOCK:
            if (WritableLocked()) CommitStaged(staged_.size());
            break;
        case REG_ADDRESS:
            directAddress_ = Operand(bytes[1], bytes[2]);
            break;
        case REG_WRITE:
            chipRegisters_[directAddress_] = bytes[1];
            break;
        case REG_READ:
            directAddress_ = Operand(bytes[1], bytes[2]);
            pendingEeprom_ = Pending::DirectRead;
            break;
        default:
            break;
    }
}

XuRequest SimulatedController::EepromChannelReply(const XuRequest& last) {
    switch (pendingEeprom_) {
        case Pending::BlockCheck: {
            // The data word just sent was the check word, not block data.
            const auto [first, second] = lastWord_;
            if (lastWordStaged_) {
                staged_.resize(staged_.size() - 2);
            } else {
                --droppedWords_;
            }
            pendingEeprom_ = Pending::None;
            const bool checkWordFits =
                staged_.size() >= 2 && staged_[0] == first && staged_[1] == second;
            // A block that lost words to a full buffer never reached the EEPROM whole.
            const bool blockWhole = droppedWords_ == 0;
            const bool forcedMismatch =
                faults_.mismatchBlock && CurrentBlock() == *faults_.mismatchBlock;
            const bool match =
                checkWordFits && blockWhole && StagedBlockMatches() && !forcedMismatch;
            return {EE_CHECK_BLOCK, static_cast<uint8_t>(match ? 1 : 0), 0};
        }
        case Pending::DirectRead:
            return {chipRegisters_[directAddress_], 0, 0};
        default:
            return last;
    }
}

bool SimulatedController::StagedBlockMatches() const {
    for (size_t i = 0; i < staged_.size(); ++i) {
        if (eeprom_[(stagingOffset_ + i) % eeprom_.size()] != staged_[i]) return false;
    }
    return true;
}

void SimulatedController::SelectRegister(bool sensor, uint16_t address) {
    selectedSensor_ = sensor;
    selectedAddress_ = address;
    pendingCommand_ = Pending::RegisterRead;
}

void SimulatedController::WriteSelectedRegister(uint16_t value) {
    if (selectedSensor_) {
        sensorRegisters_[selectedAddress_] = value;
    } else {
        chipRegisters_[selectedAddress_] = static_cast<uint8_t>(value);
    }
}

void SimulatedController::HandleCommandSet(const XuRequest& bytes) {
    lastCommandSet_ = bytes;
    pendingCommand_ = Pending::None;
    if (level_ == 2) {
        HandleLevel2CommandSet(bytes);
        return;
    }
    const uint16_t operand = Operand(bytes[1], bytes[2]);
    if (level_ == 0) {
        // Legacy firmware: 8-bit register addresses, byte 2 picks the sensor.
        if (bytes[0] == 0x00) SelectRegister(bytes[2] == 1, bytes[1]);
        if (bytes[0] == 0x01) WriteSelectedRegister(operand);
        return;
    }
    if (ApplyOp(bytes[0], operand)) return;
    switch (bytes[0]) {
        case CMD_EEPROM_TYPE:
            typeRequests_.push_back(bytes[1]);
            break;
        case CMD_JUMP:
            RecordJump();
            break;
        case CMD_PROBE:
            pendingCommand_ = Pending::Probe;
            break;
        default:
            break;
    }
}

// Level 2 carries the op in byte 1 and the operand in bytes 0 and 2. Some
// commands read also as register selections (the EEPROM type as a selection of
// register 5, the jump as one of sensor register 6); a selection has no side
// effect, so such a request is taken both ways.
void SimulatedController::HandleLevel2CommandSet(const XuRequest& bytes) {
    ApplyOp(bytes[1], Operand(bytes[0], bytes[2]));
    if (bytes[0] == CMD_EEPROM_TYPE && bytes[1] <= 1 && bytes[2] == 0) {
        typeRequests_.push_back(bytes[1]);
    } else if (bytes[0] == CMD_JUMP && bytes[1] == 0 && bytes[2] == 0) {
        RecordJump();
    } else if (bytes[0] == CMD_PROBE && bytes[1] == CMD_PROBE && bytes[2] == 0) {
        pendingCommand_ = Pending::Probe;
    }
}

// The register ops and the EEPROM read, alike at levels 1 and 2 once the op
// and its operand are known. False for any other op.
bool SimulatedController::ApplyOp(uint8_t op, uint16_t operand) {
    switch (op) {
        case REG_OP_SENSOR_ADDRESS:
        case REG_OP_CHIP_ADDRESS:
            SelectRegister(op == REG_OP_SENSOR_ADDRESS, operand);
            return true;
        case REG_OP_SENSOR_WRITE:
        case REG_OP_CHIP_WRITE:
            selectedSensor_ = op == REG_OP_SENSOR_WRITE;
            WriteSelectedRegister(operand);
            return true;
        case CMD_EEPROM_READ:
            eepromReadOffset_ = operand;
            pendingCommand_ = Pending::EepromRead;
            return true;
        default:
            return false;
    }
}

void SimulatedController::RecordJump() {
    ++jumps_;
    jumpSinceRestart_ = true;
}

XuRequest SimulatedController::CommandChannelReply(const XuRequest& last) {
    switch (pendingCommand_) {
        case Pending::RegisterRead: {
            const uint16_t value = selectedSensor_ ? sensorRegisters_[selectedAddress_]
                                                   : chipRegisters_[selectedAddress_];
            return {last[0], static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
        }
        case Pending::EepromRead:
            return {last[0], eeprom_[eepromReadOffset_ % eeprom_.size()],
                    eeprom_[(eepromReadOffset_ + 1u) % eeprom_.size()]};
        case Pending::Probe:
            return {CMD_PROBE, static_cast<uint8_t>(level_), 0};
        default:
            return last;
    }
}

size_t SimulatedController::EepromSize() const {
    std::lock_guard lock(mutex_);
    return eeprom_.size();
}

std::vector<uint8_t> SimulatedController::Eeprom() const {
    std::lock_guard lock(mutex_);
    return eeprom_;
}

uint8_t SimulatedController::EepromByte(size_t address) const {
    std::lock_guard lock(mutex_);
    return eeprom_[address % eeprom_.size()];
}

void SimulatedController::WriteEeprom(size_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < bytes.size(); ++i) eeprom_[(address + i) % eeprom_.size()] = bytes[i];
}

uint8_t SimulatedController::ChipRegister(uint16_t address) const {
    std::lock_guard lock(mutex_);
    return chipRegisters_[address];
}

void SimulatedController::SetChipRegister(uint16_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    chipRegisters_[address] = value;
}

uint16_t SimulatedController::SensorRegister(uint16_t address) const {
    std::lock_guard lock(mutex_);
    return sensorRegisters_[address];
}

void SimulatedController::SetSensorRegister(uint16_t address, uint16_t value) {
    std::lock_guard lock(mutex_);
    sensorRegisters_[address] = value;
}

bool SimulatedController::EepromWritable() const {
    std::lock_guard lock(mutex_);
    return WritableLocked();
}

bool SimulatedController::WritableLocked() const {
    return chipRegisters_[kWriteEnableRegister] == 0x20 &&
           (chipRegisters_[kEepromControlRegister] & 0xB0) == 0xA0 &&
           (chipRegisters_[kWriteProtectRegister] & 0x01) == 0;
}

XuProtocolLevel SimulatedController::ProtocolLevel() const {
    std::lock_guard lock(mutex_);
    return level_;
}

void SimulatedController::SetProtocolLevel(XuProtocolLevel level) {
    std::lock_guard lock(mutex_);
    level_ = level;
}

std::vector<RecordedTransfer> SimulatedController::TransferLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimulatedController::ClearTransferLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

uint64_t SimulatedController::TransferCount() const {
    std::lock_guard lock(mutex_);
    return transfers_;
}

std::vector<uint8_t> SimulatedController::EepromTypeRequests() const {
    std::lock_guard lock(mutex_);
    return typeRequests_;
}

int SimulatedController::JumpRequests() const {
    std::lock_guard lock(mutex_);
    return jumps_;
}

void SimulatedController::Restart() {
    std::lock_guard lock(mutex_);
    ++restarts_;
    runningNewImage_ = jumpSinceRestart_;
    jumpSinceRestart_ = false;
    // A power cycle: registers return to their power-on values, requests in
    // flight are forgotten, the EEPROM keeps its contents.
    std::fill(chipRegisters_.begin(), chipRegisters_.end(), 0);
    std::fill(sensorRegisters_.begin(), sensorRegisters_.end(), 0);
    chipRegisters_[kWriteEnableRegister] = kWriteEnablePowerOn;
    chipRegisters_[kEepromControlRegister] = kEepromControlPowerOn;
    chipRegisters_[kWriteProtectRegister] = kWriteProtectPowerOn;
    staged_.clear();
    droppedWords_ = 0;
    pendingEeprom_ = pendingCommand_ = Pending::None;
}

int SimulatedController::RestartCount() const {
    std::lock_guard lock(mutex_);
    return restarts_;
}

bool SimulatedController::RunningNewImage() const {
    std::lock_guard lock(mutex_);
    return runningNewImage_;
}

bool SimulatedController::Present() const {
    std::lock_guard lock(mutex_);
    return present_;
}

void SimulatedController::Unplug() {
    std::lock_guard lock(mutex_);
    present_ = false;
}

void SimulatedController::Replug() {
    std::lock_guard lock(mutex_);
    present_ = true;
    faults_.unplugAfter.reset();
}

void SimulatedController::FailNthTransfer(uint64_t n) {
    std::lock_guard lock(mutex_);
    faults_.failTransferAt = transfers_ + n;
}

void SimulatedController::ShortReplyOnNthTransfer(uint64_t n) {
    std::lock_guard lock(mutex_);
    faults_.shortReplyAt = transfers_ + n;
}

void SimulatedController::TearNthTransfer(uint64_t n, size_t keptBytes) {
    TearNthTransfer(n, CommitTear{TearKind::FirstBytes, keptBytes});
}

void SimulatedController::TearNthTransfer(uint64_t n, const CommitTear& tear) {
    std::lock_guard lock(mutex_);
    faults_.tearAt = transfers_ + n;
    faults_.tear = tear;
}

void SimulatedController::UnplugAfterTransfers(uint64_t n) {
    std::lock_guard lock(mutex_);
    faults_.unplugAfter = transfers_ + n;
}

void SimulatedController::FailRequestFromBlock(RequestKind kind, uint64_t block) {
    std::lock_guard lock(mutex_);
    faults_.failFromBlock = std::make_pair(kind, blocksStarted_ + block);
}

void SimulatedController::MismatchCheckOfBlock(uint64_t block) {
    std::lock_guard lock(mutex_);
    faults_.mismatchBlock = blocksStarted_ + block;
}

void SimulatedController::SetLatencyUs(uint32_t microseconds) {
    std::lock_guard lock(mutex_);
    faults_.latencyUs = microseconds;
}

void SimulatedController::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

bool SimulatedController::LoadEepromFile(const std::string& path) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) return false;
    std::vector<uint8_t> contents((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::lock_guard lock(mutex_);
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    std::copy_n(contents.begin(), std::min(contents.size(), eeprom_.size()), eeprom_.begin());
    return true;
}

bool SimulatedController::SaveEepromFile(const std::string& path) const {
    // Replaces the file through a temporary file of its own, so that an
    // interrupted save never leaves a truncated EEPROM file behind.
    std::vector<uint8_t> contents;
    {
        std::lock_guard lock(mutex_);
        contents = eeprom_;
    }
    return ReplaceFileContents(PathFromUtf8(path), contents, Durability::Ordered);
}

}  // namespace kestrovane::sim
