// Attaches one simulated Tovrine camera and speaks the extension-unit command
// set to it, printing every step: a quick look at the camera link without a
// camera on the desk.

#include <cstdio>
#include <string>

#include "camera/CameraRestart.h"
#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedMachine.h"

using namespace kestrovane;

namespace {

const char* ResultText(int result) {
    switch (result) {
        case XU_OK:
            return "ok";
        case XU_TRANSFER_FAILED:
            return "transfer failed";
        case XU_NOT_SUPPORTED:
            return "Device not support the operation";
        case XU_NO_DEVICE:
            return "No device";
        default:
            return "unknown";
    }
}

void PrintTransfers(const sim::SimulatedController& controller, size_t from) {
    const auto log = controller.TransferLog();
    for (size_t i = from; i < log.size(); ++i) {
        const auto& t = log[i];
        std::printf("      %s %-14s %02X %02X %02X\n", t.isGet ? "GET" : "SET",
                    t.selector == EepromChannel ? "EepromChannel" : "CommandChannel", t.bytes[0],
                    t.bytes[1], t.bytes[2]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string eepromFile = argc > 1 ? argv[1] : "";
    SystemClock clock;
    sim::SimulatedMachine machine(clock);
    const std::string path = sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000");
    auto controller = machine.AttachCamera(path, 16384, 2);
    controller->SetSensorRegister(0x300A, 0x2770);
    controller->WriteEeprom(0x70, {'K', 'V', '5', '-', '1', '.', '0', 0});
    if (!eepromFile.empty() && controller->LoadEepromFile(eepromFile)) {
        std::printf("EEPROM loaded from %s\n", eepromFile.c_str());
    }

    std::printf("Simulated machine: one Tovrine camera (24C128, protocol level 2)\n");
    CameraPath chosen;
    const int found = FindCamera(machine, machine, clock, chosen);
    std::printf("FindCamera -> %d\n  cameraPath = %s\n", found, chosen.Get().c_str());
    if (!found) return 1;
    const CameraTarget camera{machine, chosen.Get()};

    size_t mark = 0;
    auto step = [&](const char* what, int result) {
        std::printf("%s -> %s\n", what, ResultText(result));
        PrintTransfers(*controller, mark);
        mark = controller->TransferLog().size();
    };

    XuProtocolLevel level = 0;
    step("QueryXuProtocol", QueryXuProtocol(camera, level));
    std::printf("  protocol level %d\n", level);

    for (int access : {CHIP_LEVEL1, SENSOR_LEVEL1, CHIP_LEVEL2, SENSOR_LEVEL2}) {
        controller->SetProtocolLevel(access < CHIP_LEVEL2 ? 1 : 2);
        const bool sensor = access == SENSOR_LEVEL1 || access == SENSOR_LEVEL2;
        const uint16_t address = sensor ? 0x300A : 0x0301;
        const uint16_t written = sensor ? 0x1234 : 0x5A;
        uint16_t value = 0;
        char label[96];
        std::snprintf(label, sizeof label, "ReadRegister(0x%04X, access %d)", address, access);
        step(label, ReadRegister(camera, address, value, static_cast<RegisterAccess>(access)));
        std::printf("  value %x\n", value);
        std::snprintf(label, sizeof label, "WriteRegister(0x%04X, 0x%X, access %d)", address,
                      written, access);
        step(label, WriteRegister(camera, address, written, static_cast<RegisterAccess>(access)));
    }

    controller->SetProtocolLevel(0);
    uint16_t legacy = 0;
    step("ReadRegisterLegacy(0x23, chip)", ReadRegisterLegacy(camera, 0x23, legacy, 1));
    std::printf("  value %x\n", legacy);
    step("WriteRegisterLegacy(0x23, 0x11, chip)", WriteRegisterLegacy(camera, 0x23, 0x11, 1));

    controller->SetProtocolLevel(2);
    uint8_t word[2] = {};
    step("ReadEepromWord(0x0070)", ReadEepromWord(camera, word, 0x70));
    std::printf("  bytes %02X %02X ('%c%c')\n", word[0], word[1], word[0], word[1]);

    step("MakeEepromWritable", MakeEepromWritable(camera) ? XU_OK : XU_TRANSFER_FAILED);
    std::printf("  EEPROM writable: %s\n", controller->EepromWritable() ? "yes" : "no");

    // "New bin works": the jump, then the device installer's restart boots it.
    step("JumpToNewImage", JumpToNewImage(camera));
    sim::SimulatedDeviceInstaller installer(machine);
    const RestartOutcome restarted = RestartCamera(installer, clock, chosen.Get());
    std::printf("RestartCamera -> %s\n",
                restarted.result == RestartOutcome::Result::Restarted ? "restarted" : "failed");
    for (const auto& change : installer.AppliedChanges()) {
        std::printf("      %s %s\n",
                    change.change == DeviceStateChange::Disable ? "disable" : "enable",
                    change.instanceId.c_str());
    }
    std::printf("  restarts %d, running the new image: %s\n", controller->RestartCount(),
                controller->RunningNewImage() ? "yes" : "no");

    if (!eepromFile.empty() && controller->SaveEepromFile(eepromFile)) {
        std::printf("EEPROM saved to %s\n", eepromFile.c_str());
    }
    std::printf("%llu transfers in all\n",
                static_cast<unsigned long long>(controller->TransferCount()));
    return 0;
}
