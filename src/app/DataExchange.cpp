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
        failed_ = true;
        window_.ShowMessage(kUnsignedPrompt, std::nullopt,
                            message_box::kOk | message_box::kIconExclamation);
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
