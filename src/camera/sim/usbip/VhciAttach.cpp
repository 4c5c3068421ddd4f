#include "camera/sim/usbip/VhciAttach.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kestrovane::usbip {

namespace {

// The kernel's state of a port without a device (VDEV_ST_NULL).
constexpr unsigned kPortFree = 4;

}  // namespace

std::optional<unsigned> FreeVhciPort(const std::string& statusText, uint32_t speed) {
    const std::string wantedHub = speed >= 5 ? "ss" : "hs";
    std::istringstream lines(statusText);
    std::string line;
    std::getline(lines, line);  // the column titles
    while (std::getline(lines, line)) {
        // "hs  0000 004 000 00000000 000000 0-0": hub, port, state (decimal) ...
        std::istringstream fields(line);
        std::string hub;
        unsigned port = 0;
        unsigned state = 0;
        if (!(fields >> hub >> port >> state)) continue;
        if (hub == wantedHub && state == kPortFree) return port;
    }
    return std::nullopt;
}

std::optional<int> AttachToVhci(uint32_t deviceId, uint32_t speed, std::string* error,
                                const std::filesystem::path& controller) {
    std::ifstream statusFile(controller / "status");
    std::stringstream status;
    status << statusFile.rdbuf();
    if (!statusFile) {
        *error = "reading " + (controller / "status").string() +
                 " failed (is the vhci-hcd module loaded?)";
        return std::nullopt;
    }
    const std::optional<unsigned> port = FreeVhciPort(status.str(), speed);
    if (!port) {
        *error = "vhci_hcd has no free port";
        return std::nullopt;
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        *error = std::string("socketpair: ") + std::strerror(errno);
        return std::nullopt;
    }
    // "port socket devid speed": the kernel takes its own reference to the
    // socket, so this process's descriptor for it can be closed afterwards.
    const std::string command = std::to_string(*port) + " " + std::to_string(ends[1]) + " " +
                                std::to_string(deviceId) + " " + std::to_string(speed);
    std::ofstream attach(controller / "attach");
    attach << command << std::flush;
    const bool attached = static_cast<bool>(attach);
    ::close(ends[1]);
    if (!attached) {
        ::close(ends[0]);
        *error = "writing \"" + command + "\" to " + (controller / "attach").string() + " failed";
        return std::nullopt;
    }
    return ends[0];
}

}  // namespace kestrovane::usbip
