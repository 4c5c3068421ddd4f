#include "filterrestore/win32/Win32Registry.h"

#include <windows.h>

namespace kestrovane {

namespace {

RegistryOutcome FromError(LONG error) {
    RegistryOutcome outcome;
    outcome.systemCode = static_cast<uint32_t>(error);
    switch (error) {
        case ERROR_SUCCESS:
            outcome.status = RegistryStatus::Ok;
            break;
        case ERROR_FILE_NOT_FOUND:
            outcome.status = RegistryStatus::NotFound;
            break;
        case ERROR_ACCESS_DENIED:
            outcome.status = RegistryStatus::AccessDenied;
            break;
        case ERROR_MORE_DATA:
            outcome.status = RegistryStatus::MoreData;
            break;
        default:
            outcome.status = RegistryStatus::Failed;
            break;
    }
    return outcome;
}

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            break;
    }
    return HKEY_CLASSES_ROOT;
}

REGSAM ViewFlag(RegistryView view) {
    switch (view) {
        case RegistryView::Wow64Key64:
            return KEY_WOW64_64KEY;
        case RegistryView::Wow64Key32:
            return KEY_WOW64_32KEY;
        case RegistryView::Default:
            break;
    }
    return 0;
}

HKEY ToHkey(RegistryPort::KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

RegistryPort::OpenResult Win32Registry::OpenKey(RegistryRoot root, const std::string& path,
                                                RegistryView view, KeyAccess access) {
    const REGSAM rights = access == KeyAccess::Write ? KEY_SET_VALUE : KEY_QUERY_VALUE;
    HKEY key = nullptr;
    const LONG error = RegOpenKeyExA(RootKey(root), path.c_str(), 0, rights | ViewFlag(view), &key);
    OpenResult result;
    result.outcome = FromError(error);
    if (result.outcome.Ok()) result.key = reinterpret_cast<KeyHandle>(key);
    return result;
}

RegistryPort::QueryResult Win32Registry::QueryValue(KeyHandle key, const std::string& name,
                                                    std::span<uint8_t> buffer) {
    DWORD type = 0;
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG error =
        RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &type, buffer.data(), &length);
    QueryResult result;
    result.outcome = FromError(error);
    result.type = type;
    result.length = length;
    return result;
}

RegistryOutcome Win32Registry::SetValue(KeyHandle key, const std::string& name, uint32_t type,
                                        std::span<const uint8_t> data) {
    return FromError(RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data.data(),
                                    static_cast<DWORD>(data.size())));
}

void Win32Registry::CloseKey(KeyHandle key) {
    RegCloseKey(ToHkey(key));
}

std::vector<RegistryView> RegistryViewsOfThisSystem() {
#if defined(_WIN64)
    const bool on64BitWindows = true;
#else
    BOOL underWow64 = FALSE;
    const bool on64BitWindows = IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
#endif
    if (on64BitWindows) return {RegistryView::Wow64Key64, RegistryView::Wow64Key32};
    return {RegistryView::Default};
}

}  // namespace kestrovane
