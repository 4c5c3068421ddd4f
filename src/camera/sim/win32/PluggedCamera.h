#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/Clock.h"
#include "camera/sim/RequestTally.h"
#include "camera/sim/SharedEepromImage.h"
#include "camera/sim/SimulatedController.h"
#include "camera/sim/win32/CameraRegistration.h"
#include "camera/sim/win32/KsInterfaces.h"
#include "camera/sim/win32/SimulatedFaults.h"

namespace kestrovane::simcam {

// One simulated camera as plugged in, in this process: the controller behind
// its extension unit, shared by every filter that binds the camera here. Its
// EEPROM lives in the camera's file, which every process that binds the camera
// shares: each bind takes the file's current contents, and after every block
// the controller writes, only the bytes this process changed go into the
// file. Both happen under a named mutex of the file, so processes that bind
// one camera behave like one camera.
class PluggedCamera {
public:
    PluggedCamera(CameraRegistration registration, SimulatedFaults faults);
    ~PluggedCamera();
    PluggedCamera(const PluggedCamera&) = delete;
    PluggedCamera& operator=(const PluggedCamera&) = delete;

    const CameraRegistration& Registration() const { return registration_; }
    const SimulatedFaults& Faults() const { return faults_; }
    // The topology: camera terminal, processing unit, extension unit.
    const std::vector<Guid>& NodeTypes() const { return nodeTypes_; }

    // One property request of a program. Refuses a request that is not framed
    // as an extension-unit request (KSP_NODE of 32 bytes, the vendor node, the
    // property set, GET or SET with the topology flag, selector 1 or 2, a
    // 3-byte buffer) and every request once the camera is unplugged.
    HRESULT KsProperty(const KSPROPERTY* property, ULONG propertyLength, void* data,
                       ULONG dataLength, ULONG* bytesReturned);

    // A filter binds the camera: its EEPROM takes the file's current contents.
    void Bind();

    // True while the registration this camera was plugged in with stands.
    bool StillPluggedIn() const;

    // Writes the report file: the DLL's reference accounting and the
    // requests this camera served and refused in this process.
    void WriteReport();

private:
    HRESULT Refuse(const char* reason, HRESULT result);
    HRESULT RefuseLocked(const char* reason, HRESULT result);
    // With mutex_ held: this process's changes into the file, the file's
    // contents into the EEPROM, under the file's named mutex.
    void SyncWithFile();

    const CameraRegistration registration_;
    const SimulatedFaults faults_;
    const std::vector<Guid> nodeTypes_;
    uint32_t vendorNode_ = 0;
    SystemClock clock_;
    sim::SimulatedController controller_;

    std::mutex mutex_;  // the transfers, the tally, the counters and the file
    HANDLE fileMutex_ = nullptr;  // shared by every process that binds the file
    sim::SharedEepromImage shared_;
    sim::RequestTally tally_;
    uint64_t eepromSaves_ = 0;
    uint64_t eepromSaveFailures_ = 0;
};

// The camera plugged in under this registration (its CLSID and plug id), as
// this process sees it: made when the first filter binds it after the
// plug-in, and shared by all later ones; each bind takes the EEPROM file's
// current contents.
std::shared_ptr<PluggedCamera> CameraFor(const CameraRegistration& registration,
                                         const SimulatedFaults& faults);

}  // namespace kestrovane::simcam
