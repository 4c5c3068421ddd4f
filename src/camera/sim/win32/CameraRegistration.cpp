#include "camera/sim/win32/CameraRegistration.h"

#include <objbase.h>

#include "camera/sim/win32/FileContents.h"

namespace kestrovane::simcam {

namespace {

constexpr wchar_t kSimulationKey[] = L"Simulated Camera";

std::wstring ClassKeyPath(const GUID& clsid) {
    return L"CLSID\\" + GuidText(clsid);
}

std::wstring InstanceKeyPath(const GUID& clsid) {
    return std::wstring(L"CLSID\\") + kVideoInputCategory + L"\\Instance\\" + GuidText(clsid);
}

// An open registry key, closed when it goes.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    bool Create(HKEY parent, const std::wstring& path) {
        return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                               &key_, nullptr) == ERROR_SUCCESS;
    }
    bool Open(HKEY parent, const std::wstring& path) {
        return RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

std::optional<std::wstring> GetText(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

std::optional<DWORD> GetNumber(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

std::wstring NewPlugId() {
    GUID id{};
    CoCreateGuid(&id);
    return GuidText(id);
}

}  // namespace

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::optional<GUID> ParseGuid(const std::wstring& text) {
    GUID guid{};
    if (text.size() != 38 || text.front() != L'{') return std::nullopt;
    if (FAILED(CLSIDFromString(text.c_str(), &guid))) return std::nullopt;
    return guid;
}

std::wstring PlugIn(CameraRegistration& camera) {
    camera.plugId = NewPlugId();
    {
        Key classKey;
        if (!classKey.Create(HKEY_CLASSES_ROOT, ClassKeyPath(camera.clsid)) ||
            !SetText(classKey.Get(), nullptr, camera.friendlyName)) {
            return L"cannot write HKCR\\" + ClassKeyPath(camera.clsid);
        }
        Key server;
        if (!server.Create(classKey.Get(), L"InprocServer32") ||
            !SetText(server.Get(), nullptr, camera.serverPath) ||
            // Created in the apartment of whichever thread binds it: the
            // program binds cameras on its worker threads too.
            !SetText(server.Get(), L"ThreadingModel", L"Both")) {
            return L"cannot write the camera's InprocServer32 key";
        }
        Key simulation;
        if (!simulation.Create(classKey.Get(), kSimulationKey) ||
            !SetText(simulation.Get(), L"EepromFile", camera.eepromFile) ||
            !SetText(simulation.Get(), L"ReportFile", camera.reportFile) ||
            !SetNumber(simulation.Get(), L"EepromSize", camera.eepromSize) ||
            !SetNumber(simulation.Get(), L"ProtocolLevel", camera.protocolLevel) ||
            !SetText(simulation.Get(), L"Faults", camera.faults) ||
            !SetText(simulation.Get(), L"PlugId", camera.plugId)) {
            return L"cannot write the camera's simulation settings";
        }
    }
    // The device entry comes last: from now on the enumeration shows it.
    Key instance;
    if (!instance.Create(HKEY_CLASSES_ROOT, InstanceKeyPath(camera.clsid)) ||
        !SetText(instance.Get(), L"FriendlyName", camera.friendlyName) ||
        !SetText(instance.Get(), L"CLSID", GuidText(camera.clsid)) ||
        (camera.devicePath && !SetText(instance.Get(), L"DevicePath", *camera.devicePath))) {
        return L"cannot write the device entry HKCR\\" + InstanceKeyPath(camera.clsid);
    }
    return {};
}

bool Unplug(const GUID& clsid) {
    if (!FindRegistration(clsid)) return false;
    // The device entry goes first: from now on the enumeration no longer shows it.
    RegDeleteTreeW(HKEY_CLASSES_ROOT, InstanceKeyPath(clsid).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, InstanceKeyPath(clsid).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath(clsid).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKeyPath(clsid).c_str());
    return !FindRegistration(clsid);
}

std::optional<CameraRegistration> FindRegistration(const GUID& clsid) {
    Key simulation;
    if (!simulation.Open(HKEY_CLASSES_ROOT, ClassKeyPath(clsid) + L"\\" + kSimulationKey)) {
        return std::nullopt;
    }
    CameraRegistration camera;
    camera.clsid = clsid;
    camera.eepromFile = GetText(simulation.Get(), L"EepromFile").value_or(L"");
    camera.reportFile = GetText(simulation.Get(), L"ReportFile").value_or(L"");
    camera.eepromSize = GetNumber(simulation.Get(), L"EepromSize").value_or(16384);
    camera.protocolLevel = GetNumber(simulation.Get(), L"ProtocolLevel").value_or(2);
    camera.faults = GetText(simulation.Get(), L"Faults").value_or(L"");
    camera.plugId = GetText(simulation.Get(), L"PlugId").value_or(L"");
    Key server;
    if (server.Open(HKEY_CLASSES_ROOT, ClassKeyPath(clsid) + L"\\InprocServer32")) {
        camera.serverPath = GetText(server.Get(), nullptr).value_or(L"");
    }
    Key instance;
    if (instance.Open(HKEY_CLASSES_ROOT, InstanceKeyPath(clsid))) {
        camera.friendlyName = GetText(instance.Get(), L"FriendlyName").value_or(L"");
        camera.devicePath = GetText(instance.Get(), L"DevicePath");
    } else {
        camera.devicePath.reset();
    }
    return camera;
}

std::optional<std::wstring> CurrentPlugId(const GUID& clsid) {
    Key simulation;
    if (!simulation.Open(HKEY_CLASSES_ROOT, ClassKeyPath(clsid) + L"\\" + kSimulationKey)) {
        return std::nullopt;
    }
    return GetText(simulation.Get(), L"PlugId");
}

std::vector<CameraRegistration> RegisteredCameras() {
    std::vector<CameraRegistration> cameras;
    Key instances;
    if (!instances.Open(HKEY_CLASSES_ROOT,
                        std::wstring(L"CLSID\\") + kVideoInputCategory + L"\\Instance")) {
        return cameras;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(instances.Get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        const auto clsid = ParseGuid(name);
        if (!clsid) continue;
        if (auto camera = FindRegistration(*clsid)) cameras.push_back(std::move(*camera));
    }
    return cameras;
}

bool CreateBlankEepromFile(const std::wstring& path, DWORD size) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    return WriteFileAtomically(path, std::vector<uint8_t>(size, 0xFF));
}

}  // namespace kestrovane::simcam
