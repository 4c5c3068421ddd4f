// kestrovane-simcam-usbip: a simulated Tovrine camera on a USB/IP link, so
// that a Linux machine's own UVC driver binds it (see the usage text below).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "camera/sim/usbip/OwnedEepromFile.h"
#include "camera/sim/usbip/UsbipCameraServer.h"
#include "camera/sim/usbip/VhciAttach.h"

using namespace kestrovane;
using namespace kestrovane::usbip;

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

volatile sig_atomic_t stopSignal = 0;
volatile sig_atomic_t reportSignal = 0;

void OnStop(int) {
    stopSignal = 1;
}
void OnReport(int) {
    reportSignal = 1;
}

int Usage() {
    std::fputs(
        "usage: kestrovane-simcam-usbip --eeprom FILE [--eeprom FILE]... [--size BYTES]\n"
        "           [--level 0|1|2] [--vid HEX] [--pid HEX] [--serial TEXT]\n"
        "           [--port N | --fd N | --vhci-attach]\n"
        "           [--fail-transfer N] [--unplug-after N] [--latency-us N] [--quiet]\n"
        "\n"
        "Serves simulated cameras over USB/IP, one per --eeprom, on bus ids 1-1,\n"
        "1-2, ... Each one's EEPROM lives in its FILE (created with BYTES of 0xFF\n"
        "when missing; 256 to 16384, default 16384; an existing file keeps its\n"
        "length), saved after every block the camera commits; one process at a\n"
        "time owns a FILE. The cameras are UVC 1.1 devices with vendor 3a5e,\n"
        "product 2b01 and serial numbers SIM0001, SIM0001-2, ... unless told\n"
        "otherwise (--serial TEXT: TEXT, TEXT-2, ...).\n"
        "\n"
        "--port N       listen on 127.0.0.1:N (default 3240) for usbip clients:\n"
        "               `usbip list -r 127.0.0.1`, `usbip attach -r 127.0.0.1 -b 1-1`\n"
        "--fd N         serve the (one) camera as imported on the connected socket N\n"
        "--vhci-attach  plug the cameras into this machine's vhci_hcd directly (root)\n"
        "--fail-transfer N  fail each camera's Nth extension-unit transfer (a stall\n"
        "                   with the error code \"wrong state\")\n"
        "--unplug-after N   unplug a camera after N extension-unit transfers\n"
        "--latency-us N     delay each extension-unit transfer\n"
        "\n"
        "SIGUSR1 prints the requests served by kind and starts counting anew;\n"
        "SIGTERM or SIGINT unplug the camera and end the program.\n",
        stderr);
    return kUsage;
}

template <typename Number>
std::optional<Number> ParseNumber(const std::string& text, int base = 10) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

struct Options {
    std::vector<std::string> eeproms;
    std::optional<size_t> size;
    XuProtocolLevel level = 2;
    CameraIdentity identity;
    uint16_t port = 3240;
    std::optional<int> fd;
    bool vhciAttach = false;
    std::optional<uint64_t> failTransfer;
    std::optional<uint64_t> unplugAfter;
    uint32_t latencyUs = 0;
    bool quiet = false;
};

std::optional<Options> Parse(int argc, char** argv, std::string* error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--vhci-attach") {
            options.vhciAttach = true;
            continue;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = option.rfind("--", 0) == 0 ? option + " needs a value"
                                                : "unexpected argument " + Printable(option);
            return std::nullopt;
        }
        const std::string value = argv[++i];
        auto bad = [&](const std::string& why) {
            *error = option + " " + Printable(value) + ": " + why;
            return std::nullopt;
        };
        if (option == "--eeprom") {
            options.eeproms.push_back(value);
        } else if (option == "--size") {
            const auto size = ParseNumber<size_t>(value);
            if (!size || *size < 256 || *size > 16384) return bad("256 to 16384 bytes");
            options.size = size;
        } else if (option == "--level") {
            const auto level = ParseNumber<int>(value);
            if (!level || *level < 0 || *level > 2) return bad("the level is 0, 1 or 2");
            options.level = static_cast<XuProtocolLevel>(*level);
        } else if (option == "--vid" || option == "--pid") {
            const auto id = ParseNumber<uint16_t>(value, 16);
            if (!id) return bad("four hexadecimal digits");
            (option == "--vid" ? options.identity.vendorId : options.identity.productId) = *id;
        } else if (option == "--serial") {
            const bool plain = !value.empty() && value.size() <= 126 &&
                               Printable(value) == value && value.find('?') == std::string::npos;
            if (!plain) return bad("1 to 126 printable ASCII characters");
            options.identity.serial = value;
        } else if (option == "--port") {
            const auto port = ParseNumber<uint16_t>(value);
            if (!port || *port == 0) return bad("a TCP port 1 to 65535");
            options.port = *port;
        } else if (option == "--fd") {
            const auto fd = ParseNumber<int>(value);
            if (!fd || *fd < 0 || ::fcntl(*fd, F_GETFD) < 0) return bad("not an open descriptor");
            options.fd = fd;
        } else if (option == "--fail-transfer" || option == "--unplug-after") {
            const auto n = ParseNumber<uint64_t>(value);
            if (!n || *n == 0) return bad("a count from 1");
            (option == "--fail-transfer" ? options.failTransfer : options.unplugAfter) = n;
        } else if (option == "--latency-us") {
            const auto n = ParseNumber<uint32_t>(value);
            if (!n) return bad("microseconds");
            options.latencyUs = *n;
        } else {
            *error = "unknown option " + Printable(option);
            return std::nullopt;
        }
    }
    if (options.eeproms.empty()) {
        *error = "--eeprom FILE is required";
        return std::nullopt;
    }
    if (options.eeproms.size() > 8) {
        *error = "at most 8 cameras";
        return std::nullopt;
    }
    if (options.fd && options.vhciAttach) {
        *error = "--fd and --vhci-attach exclude each other";
        return std::nullopt;
    }
    if (options.fd && options.eeproms.size() > 1) {
        *error = "--fd serves one camera";
        return std::nullopt;
    }
    return options;
}

void Log(const Options& options, const std::string& line) {
    if (!options.quiet) std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", line.c_str());
}

void PrintReport(UsbipCameraServer& server, bool reset) {
    for (auto& camera : server.Cameras()) {
        std::fprintf(stderr, "kestrovane-simcam-usbip: requests by kind, camera %s\n%s",
                     camera->busId.c_str(), camera->device.Report().c_str());
        if (reset) camera->device.ResetCounts();
    }
    std::fflush(stderr);
}

// Opens every camera's file and sets the camera up; none when one fails.
std::optional<std::vector<std::unique_ptr<ServedCamera>>> MakeCameras(const Options& options,
                                                                      Clock& clock) {
    std::vector<std::unique_ptr<ServedCamera>> cameras;
    for (size_t i = 0; i < options.eeproms.size(); ++i) {
        const std::string& path = options.eeproms[i];
        std::string error;
        std::optional<OwnedEepromFile> file = OwnedEepromFile::Open(path, options.size, &error);
        const std::optional<size_t> size =
            file ? OwnedEepromFile::SizeOf(path, options.size, &error) : std::nullopt;
        if (!size) {
            std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", Printable(error).c_str());
            return std::nullopt;
        }
        CameraIdentity identity = options.identity;
        if (i > 0) identity.serial += "-" + std::to_string(i + 1);
        auto camera = std::make_unique<ServedCamera>(std::move(*file), *size, options.level,
                                                     identity, "1-" + std::to_string(i + 1),
                                                     clock);
        ServedCamera* served = camera.get();
        if (!served->file.Load(served->controller)) {
            std::fprintf(stderr, "kestrovane-simcam-usbip: reading %s failed\n",
                         Printable(path).c_str());
            return std::nullopt;
        }
        // A committed block is what a real EEPROM keeps through a power loss.
        served->device.OnEepromCommitted([served, &options] {
            if (!served->file.Save(served->controller)) {
                Log(options, "saving " + Printable(served->file.Path()) + " failed");
            }
        });
        served->controller.SetLatencyUs(options.latencyUs);
        if (options.failTransfer) served->controller.FailNthTransfer(*options.failTransfer);
        if (options.unplugAfter) served->controller.UnplugAfterTransfers(*options.unplugAfter);
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

std::optional<int> Listen(const Options& options) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener < 0 ||
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
        Log(options, "cannot listen on 127.0.0.1:" + std::to_string(options.port) + ": " +
                         std::strerror(errno));
        if (listener >= 0) ::close(listener);
        return std::nullopt;
    }
    return listener;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<Options> options = Parse(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", error.c_str());
        return Usage();
    }
    SystemClock clock;
    std::optional<std::vector<std::unique_ptr<ServedCamera>>> cameras =
        MakeCameras(*options, clock);
    if (!cameras) return kFailed;

    struct sigaction stop {};
    stop.sa_handler = OnStop;  // no SA_RESTART: a poll returns at once
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    struct sigaction report {};
    report.sa_handler = OnReport;
    ::sigaction(SIGUSR1, &report, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    UsbipCameraServer server(std::move(*cameras),
                             [&](const std::string& line) { Log(*options, line); });
    std::optional<int> listener;
    if (options->fd) {
        server.Import(0, *options->fd);
    } else if (options->vhciAttach) {
        for (size_t i = 0; i < server.Cameras().size(); ++i) {
            ServedCamera& camera = *server.Cameras()[i];
            const std::optional<int> socket = AttachToVhci(
                DeviceIdOf(camera.device.Record(camera.busId)), kSpeedHigh, &error);
            if (!socket) {
                Log(*options, error);
                return kFailed;
            }
            server.Import(i, *socket);
            Log(*options, "camera " + camera.busId + " attached to vhci_hcd");
        }
    } else {
        listener = Listen(*options);
        if (!listener) return kFailed;
        Log(*options, "serving " + std::to_string(server.Cameras().size()) +
                          " camera(s) on 127.0.0.1:" + std::to_string(options->port));
    }
    server.Run(
        listener, !listener, [] { return stopSignal != 0; },
        [&] {
            if (!reportSignal) return;
            reportSignal = 0;
            PrintReport(server, true);
        });
    if (listener) ::close(*listener);
    int status = kOk;
    for (auto& camera : server.Cameras()) {
        if (!camera->file.Save(camera->controller)) {
            Log(*options, "saving " + Printable(camera->file.Path()) + " failed");
            status = kFailed;
        }
    }
    if (!options->quiet) PrintReport(server, false);
    return status;
}
