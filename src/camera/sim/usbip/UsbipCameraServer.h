#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/sim/usbip/OwnedEepromFile.h"
#include "camera/sim/usbip/UsbipConnection.h"

namespace kestrovane::usbip {

// One simulated camera of the server: its controller, its USB side, the file
// its EEPROM lives in, its bus id and the connection that imported it.
struct ServedCamera {
    ServedCamera(OwnedEepromFile file, size_t eepromSize, XuProtocolLevel level,
                 CameraIdentity identity, std::string busId, Clock& clock);

    OwnedEepromFile file;
    sim::SimulatedController controller;
    SimulatedUvcDevice device;
    std::string busId;
    std::unique_ptr<UrbSession> session;  // while imported
    int socket = -1;
};

// Serves cameras over USB/IP on one thread: a listening socket for usbip
// clients, and every imported camera's connection, polled together.
class UsbipCameraServer {
public:
    using Log = std::function<void(const std::string&)>;
    UsbipCameraServer(std::vector<std::unique_ptr<ServedCamera>> cameras, Log log);
    ~UsbipCameraServer();

    // Serves until `stopRequested`; `onIdle` runs at least every 200 ms.
    // The listener (when one is given) takes new clients; `serveUntilAllGone`
    // ends the loop once no camera is imported any more (a camera handed over
    // on a socket or plugged into vhci_hcd has no second chance).
    void Run(std::optional<int> listener, bool serveUntilAllGone,
             const std::function<bool()>& stopRequested, const std::function<void()>& onIdle);
    // Imports camera `index` on a connected socket (taken over).
    void Import(size_t index, int socket);

    std::vector<std::unique_ptr<ServedCamera>>& Cameras() { return cameras_; }

private:
    void Accept(int listener);
    void End(ServedCamera& camera, ConnectionEnd end);

    std::vector<std::unique_ptr<ServedCamera>> cameras_;
    Log log_;
};

}  // namespace kestrovane::usbip
