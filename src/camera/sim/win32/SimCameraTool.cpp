// kestrovane-simcam: plugs simulated cameras in and out of this machine's
// video input devices (see the usage text below). Adding a camera registers
// the COM class of its capture filter, served by KestrovaneSimCamera.dll, and
// its device entry; removing it is unplugging it.

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "camera/sim/SimulatedMachine.h"
#include "camera/sim/win32/CameraRegistration.h"
#include "camera/sim/win32/SimulatedFaults.h"

using namespace kestrovane;
using namespace kestrovane::simcam;

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr wchar_t kServerName[] = L"KestrovaneSimCamera.dll";

int Usage() {
    std::fputs(
        "usage: kestrovane-simcam add --eeprom FILE [--path DEVICEPATH | --vid VID --pid PID\n"
        "                             [--instance ID]] [--size BYTES] [--level 0|1|2]\n"
        "                             [--name TEXT] [--clsid {GUID}] [--report FILE]\n"
        "                             [--fault NAME]... [--no-device-path] [--server DLL]\n"
        "       kestrovane-simcam remove --clsid {GUID} | --path DEVICEPATH | --all\n"
        "       kestrovane-simcam list\n"
        "\n"
        "add      plugs a camera in and prints its CLSID. Its EEPROM lives in FILE\n"
        "         (created with BYTES of 0xFF when missing; 256 to 16384, default\n"
        "         16384); the DLL writes what it saw to the report file (default\n"
        "         FILE.report). The device path defaults to a USB camera with\n"
        "         vendor 3a5e, product 2b01, interface mi_00. Faults: no-bind,\n"
        "         no-topology, no-control, node-count-fails, node0-type-fails.\n"
        "remove   unplugs cameras: the one with this CLSID, every one under this\n"
        "         device path, or all of them.\n"
        "list     prints the cameras plugged in: CLSID, device path, EEPROM file, faults.\n",
        stderr);
    return kUsage;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

int Fail(const std::wstring& message) {
    std::fprintf(stderr, "kestrovane-simcam: %s\n", Utf8(message).c_str());
    return kFailed;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(length);
    return full;
}

std::wstring ToolFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool ParseNumber(const std::wstring& text, DWORD* number) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text.c_str(), &end, 10);
    if (end == nullptr || *end != L'\0') return false;
    *number = static_cast<DWORD>(value);
    return true;
}

// Vendor, product and instance ids are ASCII.
std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

int Add(const std::vector<std::wstring>& args) {
    CameraRegistration camera;
    std::wstring vid = L"3a5e";
    std::wstring pid = L"2b01";
    std::wstring instance;
    std::optional<std::wstring> path;
    bool noDevicePath = false;
    bool haveClsid = false;
    std::wstring server = ToolFolder() + kServerName;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& option = args[i];
        if (option == L"--no-device-path") {
            noDevicePath = true;
            continue;
        }
        if (i + 1 >= args.size()) return Usage();
        const std::wstring& value = args[++i];
        if (option == L"--eeprom") {
            camera.eepromFile = FullPath(value);
        } else if (option == L"--path") {
            path = value;
        } else if (option == L"--vid") {
            vid = value;
        } else if (option == L"--pid") {
            pid = value;
        } else if (option == L"--instance") {
            instance = value;
        } else if (option == L"--size") {
            if (!ParseNumber(value, &camera.eepromSize) || camera.eepromSize < 256 ||
                camera.eepromSize > 16384) {
                return Fail(L"the EEPROM size must be 256 to 16384 bytes: " + value);
            }
        } else if (option == L"--level") {
            if (!ParseNumber(value, &camera.protocolLevel) || camera.protocolLevel > 2) {
                return Fail(L"the protocol level must be 0, 1 or 2: " + value);
            }
        } else if (option == L"--name") {
            camera.friendlyName = value;
        } else if (option == L"--clsid") {
            const auto clsid = ParseGuid(value);
            if (!clsid) return Fail(L"not a CLSID: " + value);
            camera.clsid = *clsid;
            haveClsid = true;
        } else if (option == L"--report") {
            camera.reportFile = FullPath(value);
        } else if (option == L"--fault") {
            camera.faults += (camera.faults.empty() ? L"" : L",") + value;
        } else if (option == L"--server") {
            server = value;
        } else {
            return Usage();
        }
    }
    if (camera.eepromFile.empty()) return Usage();
    std::wstring unknown;
    if (!ParseFaults(camera.faults, &unknown)) return Fail(L"no such fault: " + unknown);
    camera.serverPath = FullPath(server);
    if (GetFileAttributesW(camera.serverPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Fail(L"the camera DLL is missing: " + camera.serverPath);
    }
    if (!haveClsid && FAILED(CoCreateGuid(&camera.clsid))) return Fail(L"no new CLSID");
    if (FindRegistration(camera.clsid)) {
        return Fail(L"a camera is plugged in under " + GuidText(camera.clsid) + L" already");
    }
    if (instance.empty()) {
        wchar_t text[32];
        std::swprintf(text, 32, L"8&%08lx&0&0000", static_cast<unsigned long>(camera.clsid.Data1));
        instance = text;
    }
    if (!noDevicePath) {
        camera.devicePath =
            path ? *path : Widen(sim::UsbCameraPath(Narrow(vid), Narrow(pid), Narrow(instance)));
    }
    if (camera.reportFile.empty()) camera.reportFile = camera.eepromFile + L".report";
    if (!CreateBlankEepromFile(camera.eepromFile, camera.eepromSize)) {
        return Fail(L"cannot create the EEPROM file " + camera.eepromFile);
    }
    const std::wstring failure = PlugIn(camera);
    if (!failure.empty()) {
        Unplug(camera.clsid);
        return Fail(failure);
    }
    std::printf("%s\n", Utf8(GuidText(camera.clsid)).c_str());
    return kOk;
}

int Remove(const std::vector<std::wstring>& args) {
    if (args.size() == 1 && args[0] == L"--all") {
        for (const CameraRegistration& camera : RegisteredCameras()) Unplug(camera.clsid);
        return kOk;
    }
    if (args.size() != 2) return Usage();
    if (args[0] == L"--clsid") {
        const auto clsid = ParseGuid(args[1]);
        if (!clsid) return Fail(L"not a CLSID: " + args[1]);
        return Unplug(*clsid) ? kOk : Fail(L"no simulated camera " + args[1]);
    }
    if (args[0] != L"--path") return Usage();
    int removed = 0;
    for (const CameraRegistration& camera : RegisteredCameras()) {
        if (camera.devicePath == args[1] && Unplug(camera.clsid)) ++removed;
    }
    return removed > 0 ? kOk : Fail(L"no simulated camera under " + args[1]);
}

int List() {
    for (const CameraRegistration& camera : RegisteredCameras()) {
        std::printf("%s %s %s %s\n", Utf8(GuidText(camera.clsid)).c_str(),
                    camera.devicePath ? Utf8(*camera.devicePath).c_str() : "(no device path)",
                    Utf8(camera.eepromFile).c_str(),
                    camera.faults.empty() ? "-" : Utf8(camera.faults).c_str());
    }
    return kOk;
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return kFailed;
    std::vector<std::wstring> args(words + 1, words + count);
    LocalFree(words);
    if (args.empty()) return Usage();
    const std::wstring verb = args.front();
    args.erase(args.begin());
    if (verb == L"add") return Add(args);
    if (verb == L"remove") return Remove(args);
    if (verb == L"list" && args.empty()) return List();
    return Usage();
}
