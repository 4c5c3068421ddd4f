#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "registers/RegisterFile.h"
#include "registers/RegisterSession.h"

namespace kestrovane {

// The words in which the register tools' front ends (the Advanced dialog, the
// command line) report refusals and failures.

// A register request that failed with `code` (XU_TRANSFER_FAILED,
// XU_NOT_SUPPORTED, XU_NO_DEVICE); empty for any other code.
std::string_view RegisterFailureText(int code, RegisterKind kind, bool writing);

// A typed number `what` ("register address", "register value", "start
// register") that is no hexadecimal number, or one above 0xFFFF.
std::string NotHexNumberText(std::string_view what, std::string_view typed);
std::string NumberOutOfRangeText(std::string_view what, std::string_view typed);

// An address above 0xFF for a camera whose firmware speaks level 0.
std::string AddressAboveLegacyLimitText(std::string_view typed);

// A level-1 sensor register whose low byte is 0x05.
inline constexpr std::string_view kRefusedSensorRegisterText =
    "Not support read/write register 0Xxx05 register, please contact with FAE.";

// Register files.
inline constexpr std::string_view kCannotOpenRegisterFileText = "Can not open file!";
inline constexpr std::string_view kCannotCreateRegisterFileText = "Create File Failed!!";
inline constexpr std::string_view kEmptyRegisterFileText =
    "The file holds no register line. Nothing was written to the camera.";
std::string RegisterFileProblemText(const RegisterFileProblem& problem);
// A load in which the camera's firmware refused every register of the file
// (at level 1 a sensor file whose every address ends in 05).
inline constexpr std::string_view kNoRegisterWrittenText =
    "No register was written: the camera's firmware does not support any register of the "
    "file (registers 0Xxx05 are not supported at its level).";
// A line whose address the level-0 requests cannot carry.
std::string EntryAboveLegacyLimitText(std::size_t lineNumber);

}  // namespace kestrovane
