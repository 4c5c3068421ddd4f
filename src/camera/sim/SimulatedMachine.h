#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/WindowList.h"
#include "camera/sim/SimulatedController.h"

namespace kestrovane::sim {

// One video capture device of the simulated machine, as the device
// enumeration shows it.
struct SimulatedDevice {
    // The "DevicePath" value; none when it cannot be read.
    std::optional<std::string> path;
    bool binds = true;
    bool hasTopology = true;
    HResult nodeCountResult = kS_OK;
    std::vector<Guid> nodeTypes;
    std::set<uint32_t> failingNodeTypeQueries;
    bool hasPropertyControl = true;
    // The Tovrine controller behind the extension unit; none for other cameras.
    std::shared_ptr<SimulatedController> controller;
};

// Topology of a Tovrine camera: camera terminal, processing unit, extension unit.
std::vector<Guid> TovrineCameraNodes();
// Topology of a camera without an extension unit.
std::vector<Guid> PlainCameraNodes();

// A Windows-style device path of a USB camera.
std::string UsbCameraPath(const std::string& vendorId, const std::string& productId,
                          const std::string& instance);

// A simulated computer: its video capture devices in enumeration order, with
// hot-plug, and the titles of its top-level windows. Thread-safe.
class SimulatedMachine final : public CameraPort, public WindowList {
public:
    explicit SimulatedMachine(Clock& clock);

    // Appends a device to the enumeration.
    void AddDevice(SimulatedDevice device);
    // Plugs in a Tovrine camera under `path` and returns its controller.
    std::shared_ptr<SimulatedController> AttachCamera(const std::string& path,
                                                      size_t eepromSize = 16384,
                                                      XuProtocolLevel level = 2);
    // Plugs a known controller in again under `path`.
    void AttachController(const std::string& path, std::shared_ptr<SimulatedController> controller);
    // Unplugs every device under `path`: it leaves the enumeration and its
    // open filters fail from now on.
    void Detach(const std::string& path);
    // What the enumeration of video inputs answers (kS_FALSE: empty category).
    void SetEnumerationResult(HResult result);
    // The device installer's switch: a disabled device leaves the enumeration
    // and its camera stops answering; enabling it again powers the camera up,
    // which then boots the image in its EEPROM. The state belongs to the
    // path, as a configuration setting does: a camera plugged in under a
    // disabled path stays disabled.
    void SetPathEnabled(const std::string& path, bool enabled);
    bool PathEnabled(const std::string& path) const;
    // The paths of the devices plugged in, with their cameras (none for
    // devices without a Tovrine controller), in enumeration order.
    std::vector<std::pair<std::string, std::shared_ptr<SimulatedController>>> PluggedDevices()
        const;
    // How long binding a camera's capture filter takes: the cost of opening
    // a camera, paid by every walk that opens one.
    void SetOpenLatencyUs(uint32_t microseconds);

    int OpenWindow(const std::string& title);
    void SetWindowTitle(int window, const std::string& title);
    void CloseWindow(int window);

    HResult EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) override;
    std::vector<std::string> TopLevelWindowTitles() override;

    Clock& MachineClock() { return clock_; }

private:
    mutable std::mutex mutex_;
    Clock& clock_;
    std::vector<std::shared_ptr<SimulatedDevice>> devices_;
    HResult enumerationResult_ = kS_OK;
    std::set<std::string> disabledPaths_;
    uint32_t openLatencyUs_ = 0;
    std::vector<std::pair<int, std::string>> windows_;
    int nextWindow_ = 1;
};

}  // namespace kestrovane::sim
