#include "app/DataExchange.h"

#include <charconv>

namespace kestrovane {

void DataExchange::Text(int controlId, std::string& field) {
    if (failed_) return;
    if (saving_) {
        field = window_.ItemText(controlId);
    } else {
        window_.SetItemText(controlId, field);
    }
}

void DataExchange::Unsigned(int controlId, std::atomic<uint32_t>& field) {
    if (failed_) return;
    if (!saving_) {
        window_.SetItemText(controlId, std::to_string(field.load()));
        return;
    }
    const std::optional<uint32_t> value = ParseUnsigned(window_.ItemText(controlId));
    if (!value) {
        Refuse(controlId, kUnsignedPrompt);
        return;
    }
    field.store(*value);
}

std::optional<uint32_t> ParseUnsigned(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace kestrovane

namespace kestrovane {

void DataExchange::Text(int controlId, std::string& field, std::size_t maxCharacters) {
    if (failed_) return;
    if (!saving_) {
        window_.LimitItemText(controlId, maxCharacters);
        window_.SetItemText(controlId, field);
        return;
    }
    std::string text = window_.ItemText(controlId);
    if (CharacterCount(text) > maxCharacters) {
        Refuse(controlId, TextLimitPrompt(maxCharacters));
        return;
    }
    field = std::move(text);
}

void DataExchange::Unsigned(int controlId, uint32_t& field) {
    std::atomic<uint32_t> value{field};
    Unsigned(controlId, value);
    field = value.load();
}

void DataExchange::Signed(int controlId, int32_t& field) {
    if (failed_) return;
    if (!saving_) {
        window_.SetItemText(controlId, std::to_string(field));
        return;
    }
    const std::optional<int32_t> value = ParseSigned(window_.ItemText(controlId));
    if (!value) {
        Refuse(controlId, kSignedPrompt);
        return;
    }
    field = *value;
}

void DataExchange::Refuse(int controlId, std::string_view prompt) {
    failed_ = true;
    window_.ShowMessage(prompt, std::nullopt, message_box::kOk | message_box::kIconExclamation);
    // Once the box is gone the user is taken to the value to put right.
    window_.FocusItem(controlId);
}

std::optional<int32_t> ParseSigned(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::string TextLimitPrompt(std::size_t maxCharacters) {
    return "Please enter no more than " + std::to_string(maxCharacters) + " characters.";
}

}  // namespace kestrovane
