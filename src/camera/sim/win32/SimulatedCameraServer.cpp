// The simulated-camera DLL's entry points: the in-process COM server of every
// simulated camera's capture filter, its own registration of one default
// camera, and the export of its reference accounting.

#include <olectl.h>
#include <windows.h>

#include <string>

#include "camera/sim/SimulatedMachine.h"
#include "camera/sim/win32/CameraRegistration.h"
#include "camera/sim/win32/ObjectAccounting.h"
#include "camera/sim/win32/SimulatedCameraExports.h"
#include "camera/sim/win32/SimulatedFilter.h"

using namespace kestrovane;
using namespace kestrovane::simcam;

namespace {

HMODULE thisModule = nullptr;

// The camera that DllRegisterServer plugs in.
// {6F3B8A52-2C41-4E7D-9B1A-5D08E4C3A7F1}
constexpr CLSID kDefaultCameraClsid = {
    0x6F3B8A52, 0x2C41, 0x4E7D, {0x9B, 0x1A, 0x5D, 0x08, 0xE4, 0xC3, 0xA7, 0xF1}};
constexpr char kDefaultCameraInstance[] = "8&3b2d5e01&0&0000";

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(thisModule, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on: nothing can call the objects now.
        FreeRetiredObjects();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!FindRegistration(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new CameraClassFactory(clsid);
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    return CanUnload() ? S_OK : S_FALSE;
}

// Plugs in one camera served by this DLL: a 24C128 EEPROM at protocol level 2
// whose contents live in a file beside the DLL.
STDAPI DllRegisterServer() {
    CameraRegistration camera;
    camera.clsid = kDefaultCameraClsid;
    camera.devicePath = Widen(sim::UsbCameraPath("3a5e", "2b01", kDefaultCameraInstance));
    camera.serverPath = ModulePath();
    const size_t extension = camera.serverPath.find_last_of(L'.');
    camera.eepromFile = camera.serverPath.substr(0, extension) + L".eeprom";
    camera.reportFile = camera.eepromFile + L".report";
    if (!CreateBlankEepromFile(camera.eepromFile, camera.eepromSize)) return SELFREG_E_CLASS;
    return PlugIn(camera).empty() ? S_OK : SELFREG_E_CLASS;
}

// Unplugs every simulated camera this DLL serves.
STDAPI DllUnregisterServer() {
    const std::wstring server = ModulePath();
    for (const CameraRegistration& camera : RegisteredCameras()) {
        if (CompareStringOrdinal(camera.serverPath.c_str(), -1, server.c_str(), -1, TRUE) ==
            CSTR_EQUAL) {
            Unplug(camera.clsid);
        }
    }
    return S_OK;
}

extern "C" void WINAPI SimCameraGetCounts(SimCameraCounts* counts) {
    if (counts) *counts = CurrentCounts();
}
