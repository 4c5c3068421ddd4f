#pragma once

#include <cstdint>
#include <span>

#include "camera/Transport.h"

namespace kestrovane {

// The EEPROM staging requests of one block, sent on EepromChannel over a link
// held for the whole run.

enum class BlockSendResult { Ok, SetOffsetFailed, DataWordFailed, EndBlockFailed };

// EE_SET_OFFSET with `offset` (16 bits), one EE_DATA_WORD per byte pair of
// `block`, then EE_END_BLOCK when `commit` is set. `lastDataWord` is left
// holding the last data word sent.
BlockSendResult SendBlock(XuLink& link, uint16_t offset, std::span<const uint8_t> block,
                          bool commit, XuRequest& lastDataWord);

enum class BlockCheckResult { Match, SetFailed, GetFailed, Mismatch };

// EE_CHECK_BLOCK: the block's first two bytes go out and the camera answers
// whether the EEPROM holds the staged block; only reply byte 1 == 1 matches.
// `request` carries the bytes out and the reply back.
BlockCheckResult CheckBlock(XuLink& link, XuRequest& request);

}  // namespace kestrovane
