#include "filterrestore/ValueAccess.h"

namespace kestrovane {

ValueRead ReadValue(RegistryPort& registry, RegistryRoot root, RegistryView view,
                    const std::string& path, const std::string& name, std::span<uint8_t> buffer) {
    ValueRead read;
    const RegistryPort::OpenResult opened = registry.OpenKey(root, path, view, KeyAccess::Read);
    read.open = opened.outcome;
    if (!opened.outcome.Ok()) return read;
    const RegistryPort::QueryResult queried = registry.QueryValue(opened.key, name, buffer);
    registry.CloseKey(opened.key);
    read.query = queried.outcome;
    read.type = queried.type;
    read.length = queried.length;
    return read;
}

ValueWrite WriteBinaryValue(RegistryPort& registry, RegistryRoot root, RegistryView view,
                            const std::string& path, const std::string& name,
                            std::span<const uint8_t> data) {
    ValueWrite write;
    const RegistryPort::OpenResult opened = registry.OpenKey(root, path, view, KeyAccess::Write);
    write.open = opened.outcome;
    if (!opened.outcome.Ok()) return write;
    write.set = registry.SetValue(opened.key, name, kRegistryTypeBinary, data);
    registry.CloseKey(opened.key);
    return write;
}

}  // namespace kestrovane
