#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::sim {

// A person's hands at the simulated machine: unplugs the camera under one
// path, or plugs a fresh camera (EEPROM erased) in under the same path, as a
// production line hands an auto run one camera after the other. Starts with
// one camera plugged in.
class SimulatedHotPlug {
public:
    // How long the path stays empty when a camera is swapped for a new one:
    // long enough for an auto run's look (every 100 ms) to see the gap.
    static constexpr uint32_t kSwapGapMs = 500;

    SimulatedHotPlug(SimulatedMachine& machine, std::string path, std::size_t eepromSize,
                     XuProtocolLevel level);
    ~SimulatedHotPlug();
    SimulatedHotPlug(const SimulatedHotPlug&) = delete;
    SimulatedHotPlug& operator=(const SimulatedHotPlug&) = delete;

    void Unplug();
    // Returns at once; with a camera attached, the new one appears after the gap.
    void PlugInNew();
    // The camera plugged in last (it may be unplugged by now).
    std::shared_ptr<SimulatedController> Camera() const;
    const std::string& Path() const { return path_; }

private:
    void Attach();

    SimulatedMachine& machine_;
    const std::string path_;
    const std::size_t eepromSize_;
    const XuProtocolLevel level_;
    mutable std::mutex mutex_;
    std::shared_ptr<SimulatedController> camera_;
    bool attached_ = false;
    std::thread swap_;  // plugs the new camera in after the gap
};

}  // namespace kestrovane::sim
