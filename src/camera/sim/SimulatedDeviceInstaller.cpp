#include "camera/sim/SimulatedDeviceInstaller.h"

#include "camera/CameraRestart.h"

namespace kestrovane::sim {

// A device list taken at one moment; the state changes recorded for a member
// take effect when the class installer is called for it.
class SimulatedDeviceInfoSet final : public DeviceInfoSet {
public:
    SimulatedDeviceInfoSet(SimulatedDeviceInstaller& installer,
                           std::vector<SimulatedDeviceInstaller::ListedDevice> devices)
        : installer_(installer), devices_(std::move(devices)) {}

    bool EnumDeviceInfo(uint32_t memberIndex) override {
        if (memberIndex >= devices_.size()) return false;
        // The walk over the list always works. A member fetched again is
        // fetched for a state change: first the disable, then the enable.
        const int fetch = ++fetches_[memberIndex];
        if (fetch == 1) return true;
        const DeviceStateChange change =
            fetch == 2 ? DeviceStateChange::Disable : DeviceStateChange::Enable;
        return !installer_.Fails(SimulatedDeviceInstaller::Step::Enum, change);
    }
    std::optional<std::string> HardwareId(uint32_t memberIndex) override {
        if (memberIndex >= devices_.size()) return std::nullopt;
        return devices_[memberIndex].hardwareId;
    }
    std::optional<std::string> InstanceId(uint32_t memberIndex) override {
        if (memberIndex >= devices_.size()) return std::nullopt;
        return devices_[memberIndex].instanceId;
    }
    bool SetClassInstallParams(uint32_t memberIndex, DeviceStateChange change,
                               StateChangeScope scope) override {
        using Step = SimulatedDeviceInstaller::Step;
        if (memberIndex >= devices_.size()) return false;
        const Step step =
            scope == StateChangeScope::Global ? Step::SetGlobalParams : Step::SetConfigParams;
        if (installer_.Fails(step, change)) return false;
        recorded_ = change;
        return true;
    }
    bool CallPropertyChangeInstaller(uint32_t memberIndex) override {
        if (memberIndex >= devices_.size() || !recorded_) return false;
        if (installer_.Fails(SimulatedDeviceInstaller::Step::CallInstaller, *recorded_)) {
            return false;
        }
        installer_.Apply(devices_[memberIndex], *recorded_);
        lastApplied_ = recorded_;
        return true;
    }
    std::optional<uint32_t> DeviceInstallFlags(uint32_t memberIndex) override {
        if (memberIndex >= devices_.size()) return std::nullopt;
        if (lastApplied_ &&
            installer_.Fails(SimulatedDeviceInstaller::Step::GetParams, *lastApplied_)) {
            return std::nullopt;
        }
        return installer_.InstallFlags();
    }

private:
    SimulatedDeviceInstaller& installer_;
    std::vector<SimulatedDeviceInstaller::ListedDevice> devices_;
    std::optional<DeviceStateChange> recorded_;
    std::optional<DeviceStateChange> lastApplied_;
    std::map<uint32_t, int> fetches_;
};

std::string SimulatedHardwareId(const std::string& instanceId) {
    // "USB\VID_3A5E&PID_2B01&MI_00\7&..." -> "USB\VID_3A5E&PID_2B01&REV_0100&MI_00"
    std::string id = instanceId.substr(0, instanceId.rfind('\\'));
    const std::size_t interface = id.find("&MI_");
    if (interface != std::string::npos) id.insert(interface, "&REV_0100");
    return id;
}

void SimulatedDeviceInstaller::AddOtherDevice(std::string instanceId,
                                              std::optional<std::string> hardwareId) {
    std::lock_guard lock(mutex_);
    others_.push_back({std::move(instanceId), std::move(hardwareId), std::nullopt});
}

void SimulatedDeviceInstaller::FailStep(Step step, std::optional<DeviceStateChange> onlyFor) {
    std::lock_guard lock(mutex_);
    failing_[step] = onlyFor;
}

void SimulatedDeviceInstaller::SetNeedsReboot(bool needsReboot) {
    std::lock_guard lock(mutex_);
    needsReboot_ = needsReboot;
}

void SimulatedDeviceInstaller::ClearFaults() {
    std::lock_guard lock(mutex_);
    failing_.clear();
    needsReboot_ = false;
}

std::vector<SimulatedDeviceInstaller::AppliedChange> SimulatedDeviceInstaller::AppliedChanges()
    const {
    std::lock_guard lock(mutex_);
    return applied_;
}

std::vector<std::string> SimulatedDeviceInstaller::DebugLines() const {
    std::lock_guard lock(mutex_);
    return debugLines_;
}

bool SimulatedDeviceInstaller::Fails(Step step, DeviceStateChange change) const {
    std::lock_guard lock(mutex_);
    const auto found = failing_.find(step);
    return found != failing_.end() && (!found->second || *found->second == change);
}

uint32_t SimulatedDeviceInstaller::InstallFlags() const {
    std::lock_guard lock(mutex_);
    return needsReboot_ ? kDiNeedRestart : 0;
}

void SimulatedDeviceInstaller::Apply(const ListedDevice& device, DeviceStateChange change) {
    {
        std::lock_guard lock(mutex_);
        applied_.push_back({device.instanceId, change});
    }
    if (device.cameraPath) {
        machine_.SetPathEnabled(*device.cameraPath, change == DeviceStateChange::Enable);
    }
}

std::unique_ptr<DeviceInfoSet> SimulatedDeviceInstaller::PresentDevices() {
    std::vector<ListedDevice> devices;
    {
        std::lock_guard lock(mutex_);
        if (failing_.contains(Step::List)) return nullptr;
        devices = others_;
    }
    for (const auto& [path, camera] : machine_.PluggedDevices()) {
        const std::string instance = DeviceInstanceFromInterfacePath(path);
        if (instance.empty()) continue;
        devices.push_back({instance, SimulatedHardwareId(instance), path});
    }
    return std::make_unique<SimulatedDeviceInfoSet>(*this, std::move(devices));
}

std::optional<std::string> SimulatedDeviceInstaller::DeviceInstanceOf(
    const std::string& devicePath) {
    std::string instance = DeviceInstanceFromInterfacePath(devicePath);
    if (instance.empty()) return std::nullopt;
    return instance;
}

void SimulatedDeviceInstaller::DebugOutput(std::string_view text) {
    std::lock_guard lock(mutex_);
    debugLines_.emplace_back(text);
}

}  // namespace kestrovane::sim
