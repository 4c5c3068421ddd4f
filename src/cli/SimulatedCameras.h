#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/CameraClaim.h"
#include "camera/Clock.h"
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedHotPlug.h"
#include "camera/sim/SimulatedMachine.h"
#include "files/FileLock.h"
#include "cli/CliPlatform.h"

namespace kestrovane::cli {

// The simulated machine of --simulate and --simulate-cameras: Tovrine
// cameras with a 24C128 EEPROM speaking protocol level 2, as the dialog's
// --simulate has one, each under its own path, with the machine's device
// installer. The cameras live in this process only, so their claims are
// this process's too.
class SimulatedCameras {
public:
    SimulatedCameras(Clock& clock, int count, uint32_t latencyUs);
    ~SimulatedCameras();

    // The first camera's EEPROM, from and to a file. Loading a file that does
    // not exist leaves the camera blank; false when it exists but cannot be
    // read or is not the size of the camera's EEPROM.
    bool LoadEeprom(const std::string& file);

    // Holds the EEPROM file for this run, before it is loaded: a lock beside
    // it, so a second run on the same file finds it in use and changes
    // nothing, and a check that a new file can be put in its place, so an
    // unwritable path is refused before the first transfer. `reason` is the
    // system's word for a failure.
    enum class FileHold { Held, InUse, NotWritable };
    FileHold HoldEepromFile(const std::string& file, std::string& reason);
    // From now on the first camera's EEPROM is saved to `file` after every
    // block it commits, as a real camera's EEPROM keeps each block.
    void SaveEepromAfterEachBlock(const std::string& file);
    // Whether the EEPROM file was held and loaded: only then is it saved.
    bool EepromFileLoaded() const { return eepromFileLoaded_; }
    bool SaveEeprom(const std::string& file) const;

    sim::SimulatedMachine& Machine() { return machine_; }
    DeviceInstaller& Installer() { return installer_; }
    CameraClaims& Claims() { return claims_; }

    // The camera under `path` taken away, and a fresh one (EEPROM erased)
    // plugged in under it, as a production line hands over the next camera.
    // The caller plugs the next one in once the run has seen the path empty.
    void UnplugCamera(const std::string& path);
    void PlugInNewCamera(const std::string& path);

    // The path of camera `index` (0-based).
    static std::string CameraPath(int index);
    // Each camera's serial number ("SIM0001" for the first) and port ("sim-1").
    std::vector<DeviceNote> Notes() const;

private:
    sim::SimulatedMachine machine_;
    sim::SimulatedDeviceInstaller installer_{machine_};
    InProcessCameraClaims claims_;
    std::vector<std::unique_ptr<sim::SimulatedHotPlug>> cameras_;
    FileLock fileLock_;
    bool eepromFileLoaded_ = false;
};

}  // namespace kestrovane::cli
