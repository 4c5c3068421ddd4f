#include "camera/sim/SimulatedMachine.h"

#include <algorithm>

namespace kestrovane::sim {

namespace {

constexpr Guid kCameraTerminal{
    0x24E552D7, 0x6523, 0x47F7, {0xA6, 0x47, 0xD3, 0x46, 0x5B, 0xF1, 0xF5, 0xCA}};
constexpr Guid kProcessingUnit{
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC2}};

class SimulatedPropertyControl final : public PropertyControl {
public:
    SimulatedPropertyControl(std::shared_ptr<SimulatedDevice> device, Clock& clock)
        : device_(std::move(device)), clock_(clock) {}

    HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                       uint32_t* bytesReturned) override {
        if (bytesReturned) *bytesReturned = 0;
        if (!device_->controller) return kE_FAIL;  // no extension unit answers
        // Only the vendor-specific node of the topology is the extension unit.
        const auto& nodes = device_->nodeTypes;
        if (request.nodeId >= nodes.size() || nodes[request.nodeId] != KSNODETYPE_DEV_SPECIFIC) {
            return kE_FAIL;
        }
        return device_->controller->Transfer(request, data, length, bytesReturned, clock_);
    }

private:
    std::shared_ptr<SimulatedDevice> device_;
    Clock& clock_;
};

class SimulatedTopology final : public Topology {
public:
    explicit SimulatedTopology(std::shared_ptr<SimulatedDevice> device)
        : device_(std::move(device)) {}

    HResult NumNodes(uint32_t* count) override {
        if (!Succeeded(device_->nodeCountResult)) return device_->nodeCountResult;
        *count = static_cast<uint32_t>(device_->nodeTypes.size());
        return device_->nodeCountResult;
    }

    HResult NodeType(uint32_t nodeId, Guid* type) override {
        if (nodeId >= device_->nodeTypes.size() || device_->failingNodeTypeQueries.count(nodeId)) {
            return kE_FAIL;
        }
        *type = device_->nodeTypes[nodeId];
        return kS_OK;
    }

private:
    std::shared_ptr<SimulatedDevice> device_;
};

class SimulatedFilter final : public CaptureFilter {
public:
    SimulatedFilter(std::shared_ptr<SimulatedDevice> device, Clock& clock)
        : device_(std::move(device)), clock_(clock) {}

    HResult QueryTopology(std::unique_ptr<Topology>* topology) override {
        if (!device_->hasTopology) return kE_NOINTERFACE;
        *topology = std::make_unique<SimulatedTopology>(device_);
        return kS_OK;
    }

    HResult QueryPropertyControl(std::unique_ptr<PropertyControl>* control) override {
        if (!device_->hasPropertyControl) return kE_NOINTERFACE;
        *control = std::make_unique<SimulatedPropertyControl>(device_, clock_);
        return kS_OK;
    }

private:
    std::shared_ptr<SimulatedDevice> device_;
    Clock& clock_;
};

class SimulatedEntry final : public DeviceEntry {
public:
    SimulatedEntry(std::shared_ptr<SimulatedDevice> device, Clock& clock, uint32_t openLatencyUs)
        : device_(std::move(device)), clock_(clock), openLatencyUs_(openLatencyUs) {}

    HResult ReadDevicePath(std::string* path) override {
        if (!device_->path) return kE_FAIL;
        *path = *device_->path;
        return kS_OK;
    }

    HResult BindFilter(std::unique_ptr<CaptureFilter>* filter) override {
        const bool gone = device_->controller && !device_->controller->Present();
        if (!device_->binds || gone) return kE_FAIL;
        if (openLatencyUs_ > 0) clock_.SleepUs(openLatencyUs_);
        *filter = std::make_unique<SimulatedFilter>(device_, clock_);
        return kS_OK;
    }

private:
    std::shared_ptr<SimulatedDevice> device_;
    Clock& clock_;
    uint32_t openLatencyUs_;
};

class SimulatedEnumerator final : public DeviceEnumerator {
public:
    SimulatedEnumerator(std::vector<std::shared_ptr<SimulatedDevice>> devices, Clock& clock,
                        uint32_t openLatencyUs)
        : devices_(std::move(devices)), clock_(clock), openLatencyUs_(openLatencyUs) {}

    HResult Next(std::unique_ptr<DeviceEntry>* entry) override {
        if (next_ >= devices_.size()) return kS_FALSE;
        *entry = std::make_unique<SimulatedEntry>(devices_[next_++], clock_, openLatencyUs_);
        return kS_OK;
    }

private:
    std::vector<std::shared_ptr<SimulatedDevice>> devices_;
    size_t next_ = 0;
    Clock& clock_;
    uint32_t openLatencyUs_;
};

}  // namespace

std::vector<Guid> TovrineCameraNodes() {
    return {kCameraTerminal, kProcessingUnit, KSNODETYPE_DEV_SPECIFIC};
}

std::vector<Guid> PlainCameraNodes() {
    return {kCameraTerminal, kProcessingUnit};
}

std::string UsbCameraPath(const std::string& vendorId, const std::string& productId,
                          const std::string& instance) {
    return "\\\\?\\usb#vid_" + vendorId + "&pid_" + productId + "&mi_00#" + instance +
           "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

SimulatedMachine::SimulatedMachine(Clock& clock) : clock_(clock) {}

void SimulatedMachine::AddDevice(SimulatedDevice device) {
    std::lock_guard lock(mutex_);
    devices_.push_back(std::make_shared<SimulatedDevice>(std::move(device)));
}

std::shared_ptr<SimulatedController> SimulatedMachine::AttachCamera(const std::string& path,
                                                                    size_t eepromSize,
                                                                    XuProtocolLevel level) {
    auto controller = std::make_shared<SimulatedController>(eepromSize, level);
    AttachController(path, controller);
    return controller;
}

void SimulatedMachine::AttachController(const std::string& path,
                                        std::shared_ptr<SimulatedController> controller) {
    if (PathEnabled(path)) {
        controller->Replug();
    } else {
        controller->Unplug();
    }
    SimulatedDevice device;
    device.path = path;
    device.nodeTypes = TovrineCameraNodes();
    device.controller = std::move(controller);
    AddDevice(std::move(device));
}

void SimulatedMachine::Detach(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::erase_if(devices_, [&](const std::shared_ptr<SimulatedDevice>& device) {
        if (device->path != path) return false;
        if (device->controller) device->controller->Unplug();
        return true;
    });
}

void SimulatedMachine::SetEnumerationResult(HResult result) {
    std::lock_guard lock(mutex_);
    enumerationResult_ = result;
}

void SimulatedMachine::SetPathEnabled(const std::string& path, bool enabled) {
    std::vector<std::shared_ptr<SimulatedController>> cameras;
    {
        std::lock_guard lock(mutex_);
        if (enabled) {
            disabledPaths_.erase(path);
        } else {
            disabledPaths_.insert(path);
        }
        for (const auto& device : devices_) {
            if (device->path == path && device->controller) cameras.push_back(device->controller);
        }
    }
    for (const auto& camera : cameras) {
        if (!enabled) {
            camera->Unplug();
            continue;
        }
        camera->Restart();
        camera->Replug();
    }
}

bool SimulatedMachine::PathEnabled(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return !disabledPaths_.contains(path);
}

std::vector<std::pair<std::string, std::shared_ptr<SimulatedController>>>
SimulatedMachine::PluggedDevices() const {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<std::string, std::shared_ptr<SimulatedController>>> plugged;
    for (const auto& device : devices_) {
        if (device->path) plugged.emplace_back(*device->path, device->controller);
    }
    return plugged;
}

void SimulatedMachine::SetOpenLatencyUs(uint32_t microseconds) {
    std::lock_guard lock(mutex_);
    openLatencyUs_ = microseconds;
}

int SimulatedMachine::OpenWindow(const std::string& title) {
    std::lock_guard lock(mutex_);
    windows_.emplace_back(nextWindow_, title);
    return nextWindow_++;
}

void SimulatedMachine::SetWindowTitle(int window, const std::string& title) {
    std::lock_guard lock(mutex_);
    for (auto& [id, text] : windows_) {
        if (id == window) text = title;
    }
}

void SimulatedMachine::CloseWindow(int window) {
    std::lock_guard lock(mutex_);
    std::erase_if(windows_, [&](const auto& entry) { return entry.first == window; });
}

HResult SimulatedMachine::EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) {
    std::lock_guard lock(mutex_);
    if (enumerationResult_ != kS_OK) return enumerationResult_;
    // A device unplugged behind the machine's back (fault injection) has left
    // the enumeration as well.
    std::vector<std::shared_ptr<SimulatedDevice>> present;
    for (const auto& device : devices_) {
        if (device->path && disabledPaths_.contains(*device->path)) continue;
        if (!device->controller || device->controller->Present()) present.push_back(device);
    }
    if (present.empty()) return kS_FALSE;
    *enumerator = std::make_unique<SimulatedEnumerator>(std::move(present), clock_, openLatencyUs_);
    return kS_OK;
}

std::vector<std::string> SimulatedMachine::TopLevelWindowTitles() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> titles;
    for (const auto& entry : windows_) titles.push_back(entry.second);
    return titles;
}

}  // namespace kestrovane::sim
