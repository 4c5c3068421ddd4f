#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "filterrestore/RegistryPort.h"

namespace kestrovane {

// One-shot value access: each call opens the key itself and closes it again
// before it returns, so no handle outlives a step of the repair.

struct ValueRead {
    RegistryOutcome open;   // opening the key
    RegistryOutcome query;  // querying the value; meaningful only when the key opened
    uint32_t type = 0;
    uint32_t length = 0;  // as the query reports it (see RegistryPort::QueryResult)
};

struct ValueWrite {
    RegistryOutcome open;  // opening the key for writing
    RegistryOutcome set;   // setting the value; meaningful only when the key opened

    bool Succeeded() const { return open.Ok() && set.Ok(); }
};

ValueRead ReadValue(RegistryPort& registry, RegistryRoot root, RegistryView view,
                    const std::string& path, const std::string& name, std::span<uint8_t> buffer);

ValueWrite WriteBinaryValue(RegistryPort& registry, RegistryRoot root, RegistryView view,
                            const std::string& path, const std::string& name,
                            std::span<const uint8_t> data);

}  // namespace kestrovane
