#include "cli/SimulatedCameras.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "files/FileReplacement.h"
#include "files/Utf8Path.h"

namespace kestrovane::cli {

namespace {

constexpr std::size_t kEepromSize = 16384;  // 24C128
constexpr XuProtocolLevel kLevel = 2;

}  // namespace

SimulatedCameras::SimulatedCameras(Clock& clock, int count, uint32_t latencyUs) : machine_(clock) {
    for (int index = 0; index < count; ++index) {
        cameras_.push_back(std::make_unique<sim::SimulatedHotPlug>(machine_, CameraPath(index),
                                                                   kEepromSize, kLevel));
        cameras_.back()->Camera()->SetLatencyUs(latencyUs);
    }
}

SimulatedCameras::~SimulatedCameras() = default;

std::string SimulatedCameras::CameraPath(int index) {
    // The first is the camera of the dialog's --simulate.
    char instance[32];
    std::snprintf(instance, sizeof instance, "7&2f1c9a5e&0&%04d", index);
    return sim::UsbCameraPath("3a5e", "2b01", instance);
}

std::vector<DeviceNote> SimulatedCameras::Notes() const {
    std::vector<DeviceNote> notes;
    for (std::size_t index = 0; index < cameras_.size(); ++index) {
        char serial[32];
        std::snprintf(serial, sizeof serial, "SIM%04zu", index + 1);
        DeviceNote note;
        note.path = cameras_[index]->Path();
        note.serial = serial;
        note.port = "sim-" + std::to_string(index + 1);
        notes.push_back(std::move(note));
    }
    return notes;
}

bool SimulatedCameras::LoadEeprom(const std::string& file) {
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(file);
    if (!std::filesystem::exists(path, error)) {
        eepromFileLoaded_ = !error;  // a new file: the blank camera is its contents
        return eepromFileLoaded_;
    }
    if (!std::filesystem::is_regular_file(path, error)) return false;
    // The file is written back after the run: one that is not an EEPROM of
    // this camera (an image named by mistake) would be overwritten.
    const auto size = std::filesystem::file_size(path, error);
    const auto camera = cameras_.front()->Camera();
    if (error || size != camera->EepromSize()) return false;
    eepromFileLoaded_ = camera->LoadEepromFile(file);
    return eepromFileLoaded_;
}

SimulatedCameras::FileHold SimulatedCameras::HoldEepromFile(const std::string& file,
                                                             std::string& reason) {
    const std::filesystem::path path = PathFromUtf8(file);
    switch (fileLock_.Take(path)) {
        case FileLock::Result::Locked:
            break;
        case FileLock::Result::InUse:
            reason = fileLock_.Reason();
            return FileHold::InUse;
        case FileLock::Result::Failed:
            reason = fileLock_.Reason();
            return FileHold::NotWritable;
    }
    // A replacement begun and discarded: the folder takes a new file, and
    // the target is a file that can be replaced. Nothing is left behind.
    FileReplacement probe;
    errno = 0;
    if (!probe.Begin(path, Durability::Ordered)) {
        reason = errno != 0 ? std::strerror(errno) : "not a file that can be replaced";
        return FileHold::NotWritable;
    }
    probe.Discard();
    return FileHold::Held;
}

void SimulatedCameras::SaveEepromAfterEachBlock(const std::string& file) {
    const std::shared_ptr<sim::SimulatedController> camera = cameras_.front()->Camera();
    sim::SimulatedController* controller = camera.get();
    controller->OnEepromCommitted([controller, file] { controller->SaveEepromFile(file); });
}

bool SimulatedCameras::SaveEeprom(const std::string& file) const {
    return cameras_.front()->Camera()->SaveEepromFile(file);
}

void SimulatedCameras::UnplugCamera(const std::string& path) {
    for (const auto& camera : cameras_) {
        if (camera->Path() == path) camera->Unplug();
    }
}

void SimulatedCameras::PlugInNewCamera(const std::string& path) {
    for (const auto& camera : cameras_) {
        if (camera->Path() == path) camera->PlugInNew();  // none attached: at once
    }
}

}  // namespace kestrovane::cli
