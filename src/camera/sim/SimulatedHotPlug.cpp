#include "camera/sim/SimulatedHotPlug.h"

namespace kestrovane::sim {

SimulatedHotPlug::SimulatedHotPlug(SimulatedMachine& machine, std::string path,
                                   std::size_t eepromSize, XuProtocolLevel level)
    : machine_(machine), path_(std::move(path)), eepromSize_(eepromSize), level_(level) {
    Attach();
}

SimulatedHotPlug::~SimulatedHotPlug() {
    if (swap_.joinable()) swap_.join();
}

void SimulatedHotPlug::Attach() {
    auto camera = machine_.AttachCamera(path_, eepromSize_, level_);
    std::lock_guard lock(mutex_);
    camera_ = std::move(camera);
    attached_ = true;
}

void SimulatedHotPlug::Unplug() {
    if (swap_.joinable()) swap_.join();
    std::lock_guard lock(mutex_);
    if (!attached_) return;
    machine_.Detach(path_);
    attached_ = false;
}

void SimulatedHotPlug::PlugInNew() {
    if (swap_.joinable()) swap_.join();
    bool wasAttached = false;
    {
        std::lock_guard lock(mutex_);
        wasAttached = attached_;
    }
    if (!wasAttached) {
        Attach();
        return;
    }
    Unplug();
    swap_ = std::thread([this] {
        machine_.MachineClock().SleepMs(kSwapGapMs);
        Attach();
    });
}

std::shared_ptr<SimulatedController> SimulatedHotPlug::Camera() const {
    std::lock_guard lock(mutex_);
    return camera_;
}

}  // namespace kestrovane::sim
