#include "registers/RegisterTexts.h"

namespace kestrovane {

std::string_view RegisterFailureText(int code, RegisterKind kind, bool writing) {
    const bool chip = kind == RegisterKind::Chip;
    switch (code) {
        case XU_TRANSFER_FAILED:
            if (writing) return chip ? "write tovrine register fail" : "write sensor register fail";
            return chip ? "Read tovrine register fail" : "Read sensor register fail";
        case XU_NOT_SUPPORTED:
            return "Device not support the operation";
        case XU_NO_DEVICE:
            return "No device";
        default:
            return {};
    }
}

std::string NotHexNumberText(std::string_view what, std::string_view typed) {
    return "The " + std::string(what) + " \"" + std::string(typed) +
           "\" is not a hexadecimal number.";
}

std::string NumberOutOfRangeText(std::string_view what, std::string_view typed) {
    return "The " + std::string(what) + " \"" + std::string(typed) +
           "\" is out of range: it must lie between 0 and FFFF.";
}

std::string AddressAboveLegacyLimitText(std::string_view typed) {
    // The legacy request carries 8 address bits: 0x105 would reach 0x05.
    return "The register address \"" + std::string(typed) +
           "\" is out of range: this camera's firmware takes addresses between 0 and FF.";
}

std::string RegisterFileProblemText(const RegisterFileProblem& problem) {
    return "Line " + std::to_string(problem.lineNumber) +
           " of the file: " + std::string(DescribeRegisterLineError(problem.error)) +
           ". Nothing was written to the camera.";
}

std::string EntryAboveLegacyLimitText(std::size_t lineNumber) {
    return "Line " + std::to_string(lineNumber) +
           " of the file: the address is above FF, which this camera's firmware cannot take. "
           "Nothing was written to the camera.";
}

}  // namespace kestrovane
