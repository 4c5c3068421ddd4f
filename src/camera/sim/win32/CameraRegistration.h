#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrovane::simcam {

// A simulated camera as the system's device enumeration sees it: a COM class
// (the capture filter, served by the simulated-camera DLL) and an entry in the
// video input device category that names it, with the camera's device path.
// Plugging a camera in writes both; unplugging removes both. Beside the COM
// class the camera keeps what the DLL needs to play it: the file in which its
// EEPROM lives between processes, its size and protocol level, the faults it
// shows, and a plug id that is new at every plug-in, so the DLL can tell a
// camera plugged in again from the one that was there before.
struct CameraRegistration {
    GUID clsid{};
    std::wstring friendlyName = L"Tovrine USB Camera (simulated)";
    // None: the device shows no "DevicePath" value.
    std::optional<std::wstring> devicePath;
    std::wstring eepromFile;
    // Where the DLL writes its report of the requests and references.
    std::wstring reportFile;
    DWORD eepromSize = 16384;
    DWORD protocolLevel = 2;
    // Fault names, separated by commas (see SimulatedFaults.h).
    std::wstring faults;
    std::wstring plugId;
    // The DLL that serves the camera's COM class.
    std::wstring serverPath;
};

// The video input device category's key under HKEY_CLASSES_ROOT\CLSID.
inline constexpr wchar_t kVideoInputCategory[] = L"{860BB310-5D01-11d0-BD3B-00A0C911CE86}";

std::wstring GuidText(const GUID& guid);
std::optional<GUID> ParseGuid(const std::wstring& text);

// Plugs the camera in: writes its COM class and its device entry, with a new
// plug id (stored in `camera`). An empty text on success, else what failed.
std::wstring PlugIn(CameraRegistration& camera);

// Unplugs one simulated camera: true when it was registered.
bool Unplug(const GUID& clsid);

// The simulated cameras registered now, in the order of their device entries.
std::vector<CameraRegistration> RegisteredCameras();

// The registration of one simulated camera; none when it is not plugged in.
std::optional<CameraRegistration> FindRegistration(const GUID& clsid);

// The camera's current plug id; none when it is not plugged in.
std::optional<std::wstring> CurrentPlugId(const GUID& clsid);

// Creates the EEPROM file of a new camera, `size` bytes of 0xFF, unless it
// exists already (a camera plugged in again keeps its contents).
bool CreateBlankEepromFile(const std::wstring& path, DWORD size);

}  // namespace kestrovane::simcam
