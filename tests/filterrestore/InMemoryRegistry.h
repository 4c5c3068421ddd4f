#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "filterrestore/RegistryPort.h"

namespace kestrovane {

// A registry held in memory, one tree per view, with the platform's behaviour
// where the repair depends on it: key paths and value names compare without
// regard to letter case, a path is taken literally (a doubled backslash names a
// key that does not exist), and a query into a short buffer reports the length
// needed while leaving garbage in the buffer. Faults can be injected per view.
class InMemoryRegistry final : public RegistryPort {
public:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        bool operator==(const Value&) const = default;
    };
    using Values = std::map<std::string, Value>;
    using Contents = std::map<std::pair<RegistryView, std::string>, Values>;

    static constexpr uint32_t kErrorFileNotFound = 2;
    static constexpr uint32_t kErrorAccessDenied = 5;
    static constexpr uint32_t kErrorMoreData = 234;
    static constexpr uint32_t kErrorWriteFault = 29;

    void CreateKey(RegistryView view, const std::string& path);
    void StoreValue(RegistryView view, const std::string& path, const std::string& name,
                    Value value);
    std::optional<Value> StoredValue(RegistryView view, const std::string& path,
                                     const std::string& name) const;
    const Contents& contents() const { return contents_; }

    // Opening a key of this view for writing is refused.
    void DenyWriteAccess(RegistryView view) { writeDenied_.insert(view); }
    // Setting a value in this view fails with a write fault.
    void FailSetValue(RegistryView view) { setFails_.insert(view); }

    const std::vector<std::string>& openedPaths() const { return openedPaths_; }
    int setValueCalls() const { return setValueCalls_; }
    std::size_t openKeyCount() const { return open_.size(); }
    int badHandleUses() const { return badHandleUses_; }

    OpenResult OpenKey(RegistryRoot root, const std::string& path, RegistryView view,
                       KeyAccess access) override;
    QueryResult QueryValue(KeyHandle key, const std::string& name,
                           std::span<uint8_t> buffer) override;
    RegistryOutcome SetValue(KeyHandle key, const std::string& name, uint32_t type,
                             std::span<const uint8_t> data) override;
    void CloseKey(KeyHandle key) override;

private:
    struct OpenKeyState {
        RegistryView view;
        std::string path;
        KeyAccess access;
    };

    static std::string Fold(const std::string& text);

    Contents contents_;
    std::set<RegistryView> writeDenied_;
    std::set<RegistryView> setFails_;
    std::map<KeyHandle, OpenKeyState> open_;
    KeyHandle nextHandle_ = 1;
    std::vector<std::string> openedPaths_;
    int setValueCalls_ = 0;
    int badHandleUses_ = 0;
};

}  // namespace kestrovane
