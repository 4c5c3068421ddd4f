#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "camera/DeviceInstaller.h"
#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::sim {

// The device installer of a simulated machine. Its device list holds the
// devices added here (other devices of the computer, listed first) and then
// every device plugged into the machine, named by the instance id its path
// carries; a camera's hardware id is made from it ("USB\VID_3A5E&PID_2B01&
// REV_0100&MI_00"). Disabling a camera's device takes it off the machine,
// enabling it powers the camera up again. Any step can be made to fail.
// Thread-safe.
class SimulatedDeviceInstaller final : public DeviceInstaller {
public:
    explicit SimulatedDeviceInstaller(SimulatedMachine& machine) : machine_(machine) {}

    // A device that is not one of the machine's video devices (another
    // interface of a camera, another vendor's device). Without a hardware id
    // its property cannot be read.
    void AddOtherDevice(std::string instanceId, std::optional<std::string> hardwareId);

    // --- faults ---
    enum class Step { List, Enum, SetGlobalParams, SetConfigParams, CallInstaller, GetParams };
    // Fails `step` from now on; with `onlyFor`, only for that change.
    void FailStep(Step step, std::optional<DeviceStateChange> onlyFor = std::nullopt);
    // The install parameters of every change ask for a restart of the computer.
    void SetNeedsReboot(bool needsReboot);
    void ClearFaults();

    // --- what happened ---
    struct AppliedChange {
        std::string instanceId;
        DeviceStateChange change;
    };
    // The state changes the class installer carried out, in order.
    std::vector<AppliedChange> AppliedChanges() const;
    std::vector<std::string> DebugLines() const;

    // --- DeviceInstaller ---
    std::unique_ptr<DeviceInfoSet> PresentDevices() override;
    std::optional<std::string> DeviceInstanceOf(const std::string& devicePath) override;
    void DebugOutput(std::string_view text) override;

    // One device of a list, as the list was taken.
    struct ListedDevice {
        std::string instanceId;
        std::optional<std::string> hardwareId;
        std::optional<std::string> cameraPath;  // for the machine's devices
    };

private:
    friend class SimulatedDeviceInfoSet;
    bool Fails(Step step, DeviceStateChange change) const;
    bool FailsListing() const;
    void Apply(const ListedDevice& device, DeviceStateChange change);
    uint32_t InstallFlags() const;

    SimulatedMachine& machine_;
    mutable std::mutex mutex_;
    std::vector<ListedDevice> others_;
    std::map<Step, std::optional<DeviceStateChange>> failing_;
    bool needsReboot_ = false;
    std::vector<AppliedChange> applied_;
    std::vector<std::string> debugLines_;
};

// The hardware id of a camera's device as the simulated installer lists it.
std::string SimulatedHardwareId(const std::string& instanceId);

}  // namespace kestrovane::sim
