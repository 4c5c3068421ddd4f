#pragma once

#include <vector>

#include "filterrestore/RegistryPort.h"

namespace kestrovane {

// The registry port over ADVAPI32.
class Win32Registry final : public RegistryPort {
public:
    OpenResult OpenKey(RegistryRoot root, const std::string& path, RegistryView view,
                       KeyAccess access) override;
    QueryResult QueryValue(KeyHandle key, const std::string& name,
                           std::span<uint8_t> buffer) override;
    RegistryOutcome SetValue(KeyHandle key, const std::string& name, uint32_t type,
                             std::span<const uint8_t> data) override;
    void CloseKey(KeyHandle key) override;
};

// The registry views of the running system: the 64-bit and the 32-bit view on
// 64-bit Windows, whichever bitness this program was built for; only the
// default view on 32-bit Windows, where there is no other.
std::vector<RegistryView> RegistryViewsOfThisSystem();

}  // namespace kestrovane
