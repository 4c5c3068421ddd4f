#include "camera/sim/usbip/UsbipCameraServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace kestrovane::usbip {

ServedCamera::ServedCamera(OwnedEepromFile ownedFile, size_t eepromSize, XuProtocolLevel level,
                           CameraIdentity identity, std::string id, Clock& clock)
    : file(std::move(ownedFile)),
      controller(eepromSize, level),
      device(controller, std::move(identity), clock),
      busId(std::move(id)) {}

UsbipCameraServer::UsbipCameraServer(std::vector<std::unique_ptr<ServedCamera>> cameras, Log log)
    : cameras_(std::move(cameras)), log_(std::move(log)) {}

UsbipCameraServer::~UsbipCameraServer() {
    for (auto& camera : cameras_) {
        if (camera->socket >= 0) ::close(camera->socket);
    }
}

void UsbipCameraServer::Import(size_t index, int socket) {
    ServedCamera& camera = *cameras_.at(index);
    camera.socket = socket;
    camera.session = std::make_unique<UrbSession>(socket, camera.device, log_);
}

void UsbipCameraServer::End(ServedCamera& camera, ConnectionEnd end) {
    switch (end) {
        case ConnectionEnd::DeviceGone: log_("camera " + camera.busId + " was unplugged"); break;
        case ConnectionEnd::ProtocolError:
            log_("the client of " + camera.busId + " broke the protocol");
            break;
        case ConnectionEnd::Closed: log_("the client detached camera " + camera.busId); break;
        case ConnectionEnd::Stopped: break;
    }
    // Closing the connection is what the client sees as the device leaving.
    ::close(camera.socket);
    camera.socket = -1;
    camera.session.reset();
}

void UsbipCameraServer::Accept(int listener) {
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    std::vector<DeviceRecord> available;
    for (auto& camera : cameras_) {
        if (camera->session) continue;
        // A camera unplugged by a fault is plugged in again for a new client.
        if (!camera->controller.Present()) camera->controller.Replug();
        available.push_back(camera->device.Record(camera->busId));
    }
    const HandshakeResult result = ServeHandshake(client, available, log_);
    if (result.outcome != Handshake::Imported) {
        ::close(client);
        return;
    }
    const auto found = std::find_if(cameras_.begin(), cameras_.end(), [&](const auto& camera) {
        return camera->busId == result.busId;
    });
    log_("camera " + result.busId + " imported");
    Import(static_cast<size_t>(found - cameras_.begin()), client);
}

void UsbipCameraServer::Run(std::optional<int> listener, bool serveUntilAllGone,
                            const std::function<bool()>& stopRequested,
                            const std::function<void()>& onIdle) {
    while (!stopRequested()) {
        std::vector<pollfd> waits;
        std::vector<ServedCamera*> owners;
        if (listener) {
            waits.push_back({*listener, POLLIN, 0});
            owners.push_back(nullptr);
        }
        for (auto& camera : cameras_) {
            if (!camera->session) continue;
            waits.push_back({camera->socket, POLLIN, 0});
            owners.push_back(camera.get());
        }
        if (serveUntilAllGone && owners.empty()) return;
        const int ready = ::poll(waits.data(), waits.size(), 200);
        if (ready <= 0) {
            onIdle();
            continue;
        }
        for (size_t i = 0; i < waits.size(); ++i) {
            if (waits[i].revents == 0) continue;
            if (!owners[i]) {
                Accept(*listener);
                continue;
            }
            ServedCamera& camera = *owners[i];
            if (const std::optional<ConnectionEnd> end = camera.session->ServeReadable()) {
                End(camera, *end);
            }
        }
        onIdle();
    }
    for (auto& camera : cameras_) {
        if (camera->session) End(*camera, ConnectionEnd::Stopped);
    }
}

}  // namespace kestrovane::usbip
