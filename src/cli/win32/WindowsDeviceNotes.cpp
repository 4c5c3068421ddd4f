// The serial number and location of each video device on Windows: the USB
// device behind the capture interface (the composite parent of an MI_
// function) as the configuration manager knows it.
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include "cli/win32/WindowsPlatform.h"

namespace kestrovane::cli {

namespace {

// The device node behind an interface path; 0 when the system does not know it.
DEVINST DeviceOfInterface(const std::string& devicePath) {
    const HDEVINFO devices = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE) return 0;
    DEVINST device = 0;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (SetupDiOpenDeviceInterfaceA(devices, devicePath.c_str(), 0, &interfaceData)) {
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        DWORD required = 0;
        // Asked without a detail buffer: it fails for the size, but fills `info`.
        SetupDiGetDeviceInterfaceDetailA(devices, &interfaceData, nullptr, 0, &required, &info);
        device = info.DevInst;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return device;
}

std::string InstanceId(DEVINST device) {
    char id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDA(device, id, sizeof id, 0) != CR_SUCCESS) return {};
    return id;
}

// The USB device itself: the parent of a function of a composite device.
DEVINST UsbDevice(DEVINST device) {
    const std::string id = InstanceId(device);
    if (id.find("&MI_") == std::string::npos && id.find("&mi_") == std::string::npos) return device;
    DEVINST parent = 0;
    return CM_Get_Parent(&parent, device, 0) == CR_SUCCESS ? parent : device;
}

// The serial number is the last part of a USB device's instance id when the
// device reports one; the system makes up an id with '&' in it otherwise.
std::string SerialOf(DEVINST usbDevice) {
    const std::string id = InstanceId(usbDevice);
    const std::size_t slash = id.rfind('\\');
    if (slash == std::string::npos || id.rfind("USB\\", 0) != 0) return {};
    const std::string last = id.substr(slash + 1);
    return last.find('&') == std::string::npos ? last : std::string();
}

std::optional<std::string> LocationOf(DEVINST usbDevice) {
    char text[256] = {};
    ULONG size = sizeof text - 1;
    ULONG type = 0;
    if (CM_Get_DevNode_Registry_PropertyA(usbDevice, CM_DRP_LOCATION_INFORMATION, &type, text,
                                          &size, 0) != CR_SUCCESS ||
        type != REG_SZ || text[0] == '\0') {
        return std::nullopt;
    }
    return std::string(text);
}

}  // namespace

std::vector<DeviceNote> WindowsPlatform::DeviceNotes() {
    std::vector<DeviceNote> notes;
    std::unique_ptr<DeviceEnumerator> devices;
    if (cameras_.EnumerateVideoInputs(&devices) != kS_OK || !devices) return notes;
    std::unique_ptr<DeviceEntry> entry;
    while (devices->Next(&entry) == kS_OK && entry) {
        DeviceNote note;
        if (entry->ReadDevicePath(&note.path) != kS_OK) continue;
        if (const DEVINST device = DeviceOfInterface(note.path); device != 0) {
            const DEVINST usb = UsbDevice(device);
            note.serial = SerialOf(usb);
            note.port = LocationOf(usb);
        }
        notes.push_back(std::move(note));
    }
    return notes;
}

}  // namespace kestrovane::cli
