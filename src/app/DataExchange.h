#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/DialogWindow.h"

namespace kestrovane {

// Moves values between a dialog's fields and its controls, in the direction
// given at construction. A control holding a value its field cannot take
// stops the exchange: the user is told and the remaining bindings are skipped.
class DataExchange {
public:
    DataExchange(DialogWindow& window, bool saveAndValidate)
        : window_(window), saving_(saveAndValidate) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    // Text of an edit control.
    void Text(int controlId, std::string& field);

    // An unsigned decimal number in an edit control.
    void Unsigned(int controlId, std::atomic<uint32_t>& field);

private:
    DialogWindow& window_;
    const bool saving_;
    bool failed_ = false;
};

// Parses an unsigned 32-bit decimal number, allowing blanks around it.
std::optional<uint32_t> ParseUnsigned(std::string_view text);

// The prompt shown when an edit control does not hold an unsigned number.
inline constexpr std::string_view kUnsignedPrompt = "Please enter a positive integer.";

}  // namespace kestrovane
