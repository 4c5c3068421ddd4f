#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/DialogWindow.h"

namespace kestrovane {

// Moves values between a dialog's fields and its controls, in the direction
// given at construction. A control holding a value its field cannot take
// stops the exchange: the user is told, the focus goes to that control (its
// text selected) and the remaining bindings are skipped.
class DataExchange {
public:
    DataExchange(DialogWindow& window, bool saveAndValidate)
        : window_(window), saving_(saveAndValidate) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    // Text of an edit control.
    void Text(int controlId, std::string& field);

    // Text of an edit control that takes at most `maxCharacters` characters:
    // towards the control the edit is limited to them, from it a longer text
    // stops the exchange.
    void Text(int controlId, std::string& field, std::size_t maxCharacters);

    // An unsigned decimal number in an edit control.
    void Unsigned(int controlId, std::atomic<uint32_t>& field);
    void Unsigned(int controlId, uint32_t& field);

    // A signed decimal number in an edit control.
    void Signed(int controlId, int32_t& field);

private:
    void Refuse(int controlId, std::string_view prompt);

    DialogWindow& window_;
    const bool saving_;
    bool failed_ = false;
};

// Parses an unsigned 32-bit decimal number, allowing blanks around it.
std::optional<uint32_t> ParseUnsigned(std::string_view text);

// Parses a signed 32-bit decimal number, allowing blanks around it.
std::optional<int32_t> ParseSigned(std::string_view text);

// The number of characters of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// The prompt shown when an edit control does not hold an unsigned number.
inline constexpr std::string_view kUnsignedPrompt = "Please enter a positive integer.";
// The prompt shown when an edit control does not hold a number.
inline constexpr std::string_view kSignedPrompt = "Please enter an integer.";
// The prompt shown when an edit control holds more characters than its field takes.
std::string TextLimitPrompt(std::size_t maxCharacters);

}  // namespace kestrovane
