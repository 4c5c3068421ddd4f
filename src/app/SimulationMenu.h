#pragma once

namespace kestrovane {

// System-menu commands of a program started against a simulated camera, so
// that a person can hand an auto run one camera after the other.
class SimulationMenu {
public:
    virtual ~SimulationMenu() = default;
    virtual void UnplugCamera() = 0;
    // A fresh camera (EEPROM erased) under the same device path; an attached
    // camera is unplugged first, long enough for an auto run to see it gone.
    virtual void PlugInNewCamera() = 0;
};

inline constexpr int kUnplugSimulatedCameraCommand = 0x0210;
inline constexpr int kPlugInSimulatedCameraCommand = 0x0220;

}  // namespace kestrovane
