#pragma once

#include <cstdint>
#include <span>

#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"

namespace kestrovane {

// The command operations of the extension unit. Each opens its own link to
// `camera`, performs its transfers and releases the link, and returns XU_OK,
// XU_TRANSFER_FAILED, XU_NOT_SUPPORTED or XU_NO_DEVICE unless said otherwise.
// Output arguments are written only on success.

// `level` is 0 after any failure, else the level the controller reports.
int QueryXuProtocol(const CameraTarget& camera, XuProtocolLevel& level);
// 1 when the controller speaks level 1 or 2, 0 otherwise (failures included).
int IsXuProtocolSupported(const CameraTarget& camera);

int ReadRegister(const CameraTarget& camera, uint16_t address, uint16_t& value,
                 RegisterAccess access);
int WriteRegister(const CameraTarget& camera, uint16_t address, uint16_t value,
                  RegisterAccess access);
// Level 0 register access: only the low 8 bits of the address go out.
int ReadRegisterLegacy(const CameraTarget& camera, uint16_t address, uint16_t& value, int chipFlag);
int WriteRegisterLegacy(const CameraTarget& camera, uint16_t address, uint16_t value, int chipFlag);

// The two EEPROM bytes at `offset` and `offset + 1`. Probes the protocol level
// first; at level 0 there is no read request, so nothing is sent and the
// result is XU_TRANSFER_FAILED.
int ReadEepromWord(const CameraTarget& camera, uint8_t (&word)[2], uint16_t offset);
// `destination.size()` bytes from `offset` on, read word by word; the code of
// the first failing word ends the read. Never writes past the destination.
int ReadEepromBlock(const CameraTarget& camera, std::span<uint8_t> destination, uint16_t offset);

// The probe and the EEPROM word read over a link the caller holds open for a
// whole operation (a read of the whole EEPROM), so that the camera is opened
// once instead of twice per word. `level` is 0 after any failure. The word
// read needs level 1 or 2; at any other level nothing is sent and the result
// is XU_TRANSFER_FAILED.
int QueryXuProtocol(XuLink& link, XuProtocolLevel& level);
int ReadEepromWord(XuLink& link, XuProtocolLevel level, uint8_t (&word)[2], uint16_t offset);

int SetEepromType(const CameraTarget& camera, uint8_t eepromKind);
int JumpToNewImage(const CameraTarget& camera);

// Direct chip-register access on EepromChannel; a read gives one byte.
int ReadDirectRegister(const CameraTarget& camera, uint16_t address, uint16_t& value);
int WriteDirectRegister(const CameraTarget& camera, uint16_t address, uint16_t value);

// Prepares the controller for EEPROM writes. 1 when every step succeeded,
// 0 at the first step that failed (nothing further is sent).
int MakeEepromWritable(const CameraTarget& camera);

}  // namespace kestrovane
