#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrovane {

// The registry as the repair sees it: open a key, query a value, set a value,
// close the key. The Windows adapter maps it onto ADVAPI32; tests use an
// in-memory registry.

enum class RegistryRoot { ClassesRoot };

// Which registry view a key is opened in. On 64-bit Windows the 64-bit and the
// 32-bit programs each see their own copy of parts of HKEY_CLASSES_ROOT;
// `Default` is the view of the running program, the only one on 32-bit Windows.
enum class RegistryView { Default, Wow64Key64, Wow64Key32 };

enum class KeyAccess { Read, Write };

enum class RegistryStatus {
    Ok,
    NotFound,      // the key or the value does not exist
    AccessDenied,  // the caller lacks the rights for the request
    MoreData,      // the value is longer than the buffer given for it
    Failed,        // any other failure; see the system code
};

struct RegistryOutcome {
    RegistryStatus status = RegistryStatus::Ok;
    uint32_t systemCode = 0;  // the platform's error number, 0 when not known

    bool Ok() const { return status == RegistryStatus::Ok; }
};

// Registry value types in the platform's numbering.
constexpr uint32_t kRegistryTypeBinary = 3;

class RegistryPort {
public:
    using KeyHandle = std::uintptr_t;

    struct OpenResult {
        RegistryOutcome outcome;
        KeyHandle key = 0;  // valid only when the outcome is Ok
    };

    struct QueryResult {
        RegistryOutcome outcome;
        uint32_t type = 0;
        // Bytes stored in the buffer; with MoreData the length the value needs,
        // and the buffer's contents are then undefined.
        uint32_t length = 0;
    };

    virtual ~RegistryPort() = default;
    virtual OpenResult OpenKey(RegistryRoot root, const std::string& path, RegistryView view,
                               KeyAccess access) = 0;
    virtual QueryResult QueryValue(KeyHandle key, const std::string& name,
                                   std::span<uint8_t> buffer) = 0;
    virtual RegistryOutcome SetValue(KeyHandle key, const std::string& name, uint32_t type,
                                     std::span<const uint8_t> data) = 0;
    virtual void CloseKey(KeyHandle key) = 0;
};

}  // namespace kestrovane
