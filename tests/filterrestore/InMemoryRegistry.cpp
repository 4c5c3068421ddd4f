#include "InMemoryRegistry.h"

#include <algorithm>
#include <cctype>

namespace kestrovane {

std::string InMemoryRegistry::Fold(const std::string& text) {
    std::string folded = text;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

void InMemoryRegistry::CreateKey(RegistryView view, const std::string& path) {
    contents_[{view, Fold(path)}];
}

void InMemoryRegistry::StoreValue(RegistryView view, const std::string& path,
                                  const std::string& name, Value value) {
    contents_[{view, Fold(path)}][Fold(name)] = std::move(value);
}

std::optional<InMemoryRegistry::Value> InMemoryRegistry::StoredValue(
    RegistryView view, const std::string& path, const std::string& name) const {
    const auto key = contents_.find({view, Fold(path)});
    if (key == contents_.end()) return std::nullopt;
    const auto value = key->second.find(Fold(name));
    if (value == key->second.end()) return std::nullopt;
    return value->second;
}

RegistryPort::OpenResult InMemoryRegistry::OpenKey(RegistryRoot, const std::string& path,
                                                   RegistryView view, KeyAccess access) {
    openedPaths_.push_back(path);
    OpenResult result;
    if (!contents_.contains({view, Fold(path)})) {
        result.outcome = {RegistryStatus::NotFound, kErrorFileNotFound};
        return result;
    }
    if (access == KeyAccess::Write && writeDenied_.contains(view)) {
        result.outcome = {RegistryStatus::AccessDenied, kErrorAccessDenied};
        return result;
    }
    result.key = nextHandle_++;
    open_[result.key] = {view, Fold(path), access};
    return result;
}

RegistryPort::QueryResult InMemoryRegistry::QueryValue(KeyHandle key, const std::string& name,
                                                       std::span<uint8_t> buffer) {
    QueryResult result;
    const auto state = open_.find(key);
    if (state == open_.end()) {
        ++badHandleUses_;
        result.outcome = {RegistryStatus::Failed, 6};
        return result;
    }
    const Values& values = contents_.at({state->second.view, state->second.path});
    const auto value = values.find(Fold(name));
    if (value == values.end()) {
        result.outcome = {RegistryStatus::NotFound, kErrorFileNotFound};
        return result;
    }
    result.type = value->second.type;
    result.length = static_cast<uint32_t>(value->second.data.size());
    if (value->second.data.size() > buffer.size()) {
        // What the buffer holds after such a query is undefined; make it visible.
        std::fill(buffer.begin(), buffer.end(), uint8_t{0xCD});
        result.outcome = {RegistryStatus::MoreData, kErrorMoreData};
        return result;
    }
    std::copy(value->second.data.begin(), value->second.data.end(), buffer.begin());
    return result;
}

RegistryOutcome InMemoryRegistry::SetValue(KeyHandle key, const std::string& name, uint32_t type,
                                           std::span<const uint8_t> data) {
    ++setValueCalls_;
    const auto state = open_.find(key);
    if (state == open_.end()) {
        ++badHandleUses_;
        return {RegistryStatus::Failed, 6};
    }
    if (state->second.access != KeyAccess::Write) {
        return {RegistryStatus::AccessDenied, kErrorAccessDenied};
    }
    if (setFails_.contains(state->second.view)) {
        return {RegistryStatus::Failed, kErrorWriteFault};
    }
    contents_[{state->second.view, state->second.path}][Fold(name)] =
        Value{type, std::vector<uint8_t>(data.begin(), data.end())};
    return {};
}

void InMemoryRegistry::CloseKey(KeyHandle key) {
    if (open_.erase(key) == 0) ++badHandleUses_;
}

}  // namespace kestrovane
