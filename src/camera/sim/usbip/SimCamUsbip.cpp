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
#include "camera/sim/usbip/UsbipConnection.h"
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
        "usage: kestrovane-simcam-usbip --eeprom FILE [--size BYTES] [--level 0|1|2]\n"
        "           [--vid HEX] [--pid HEX] [--serial TEXT] [--busid ID]\n"
        "           [--port N | --fd N | --vhci-attach]\n"
        "           [--fail-transfer N] [--unplug-after N] [--latency-us N] [--quiet]\n"
        "\n"
        "Serves one simulated camera over USB/IP. Its EEPROM lives in FILE (created\n"
        "with BYTES of 0xFF when missing; 256 to 16384, default 16384; an existing\n"
        "file keeps its length), saved after every block the camera commits; one\n"
        "process at a time owns FILE. The camera is a UVC 1.1 device with vendor\n"
        "3a5e, product 2b01 unless told otherwise.\n"
        "\n"
        "--port N       listen on 127.0.0.1:N (default 3240) for usbip clients:\n"
        "               `usbip list -r 127.0.0.1`, `usbip attach -r 127.0.0.1 -b 1-1`\n"
        "--fd N         serve an imported connection on the connected socket N\n"
        "--vhci-attach  plug the camera into this machine's vhci_hcd directly (root)\n"
        "--fail-transfer N  fail the Nth extension-unit transfer (a stall)\n"
        "--unplug-after N   unplug the camera after N extension-unit transfers\n"
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
    std::string eeprom;
    std::optional<size_t> size;
    XuProtocolLevel level = 2;
    CameraIdentity identity;
    std::string busId = "1-1";
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
            options.eeprom = value;
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
        } else if (option == "--busid") {
            if (value.empty() || value.size() >= kBusIdSize || Printable(value) != value) {
                return bad("a bus id such as 1-1");
            }
            options.busId = value;
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
    if (options.eeprom.empty()) {
        *error = "--eeprom FILE is required";
        return std::nullopt;
    }
    if ((options.fd ? 1 : 0) + (options.vhciAttach ? 1 : 0) > 1) {
        *error = "--fd and --vhci-attach exclude each other";
        return std::nullopt;
    }
    return options;
}

// The program's running state: the camera, its file, the log.
class Server {
public:
    Server(const Options& options, OwnedEepromFile file, size_t eepromSize)
        : options_(options),
          file_(std::move(file)),
          controller_(eepromSize, options.level),
          device_(controller_, options.identity, clock_) {
        device_.OnEepromCommitted([this] {
            if (!file_.Save(controller_)) Log("saving " + file_.Path() + " failed");
        });
    }

    bool Start() {
        if (!file_.Load(controller_)) {
            Log("reading " + file_.Path() + " failed");
            return false;
        }
        controller_.SetLatencyUs(options_.latencyUs);
        if (options_.failTransfer) controller_.FailNthTransfer(*options_.failTransfer);
        if (options_.unplugAfter) controller_.UnplugAfterTransfers(*options_.unplugAfter);
        return true;
    }

    void Log(const std::string& line) const {
        if (!options_.quiet) std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", line.c_str());
    }

    // Prints the requests by kind when asked to (SIGUSR1) and starts anew.
    void ReportWhenAsked() {
        if (!reportSignal) return;
        reportSignal = 0;
        PrintReport();
        device_.ResetCounts();
    }

    void PrintReport() const {
        std::fprintf(stderr, "kestrovane-simcam-usbip: requests by kind\n%s",
                     device_.Report().c_str());
        std::fflush(stderr);
    }

    ConnectionEnd ServeImported(int socket) {
        UrbSession session(socket, device_, [this](const std::string& line) { Log(line); });
        const ConnectionEnd end = session.Serve([] { return stopSignal != 0; },
                                                [this] { ReportWhenAsked(); });
        ReportWhenAsked();
        switch (end) {
            case ConnectionEnd::DeviceGone: Log("the camera was unplugged"); break;
            case ConnectionEnd::ProtocolError: Log("the client broke the protocol"); break;
            case ConnectionEnd::Closed: Log("the client detached the camera"); break;
            case ConnectionEnd::Stopped: break;
        }
        return end;
    }

    int ServeTcp() {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(options_.port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address),
                                   sizeof address) != 0 || ::listen(listener, 4) != 0) {
            Log("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " +
                std::strerror(errno));
            if (listener >= 0) ::close(listener);
            return kFailed;
        }
        Log("serving " + options_.busId + " on 127.0.0.1:" + std::to_string(options_.port));
        while (!stopSignal) {
            pollfd wait{listener, POLLIN, 0};
            if (::poll(&wait, 1, 200) <= 0) {
                ReportWhenAsked();
                continue;
            }
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            // A camera unplugged by a fault is plugged in again for the next client.
            if (!controller_.Present()) controller_.Replug();
            const Handshake handshake = ServeHandshake(
                client, device_, options_.busId, false,
                [this](const std::string& line) { Log(line); });
            if (handshake == Handshake::Imported) {
                Log("camera " + options_.busId + " imported");
                ServeImported(client);
            }
            ::close(client);
        }
        ::close(listener);
        return kOk;
    }

    int ServeSocket(int socket) {
        const ConnectionEnd end = ServeImported(socket);
        ::close(socket);
        return end == ConnectionEnd::ProtocolError ? kFailed : kOk;
    }

    int ServeVhci() {
        std::string error;
        const std::optional<int> socket = AttachToVhci(DeviceIdOf(device_.Record(options_.busId)),
                                                       kSpeedHigh, &error);
        if (!socket) {
            Log(error);
            return kFailed;
        }
        Log("camera attached to vhci_hcd");
        return ServeSocket(*socket);
    }

    void Finish() const {
        if (!file_.Save(controller_)) Log("saving " + file_.Path() + " failed");
        if (!options_.quiet) PrintReport();
    }

private:
    const Options& options_;
    OwnedEepromFile file_;
    SystemClock clock_;
    sim::SimulatedController controller_;
    SimulatedUvcDevice device_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<Options> options = Parse(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", error.c_str());
        return Usage();
    }
    std::optional<OwnedEepromFile> file = OwnedEepromFile::Open(options->eeprom, options->size, &error);
    if (!file) {
        std::fprintf(stderr, "kestrovane-simcam-usbip: %s\n", Printable(error).c_str());
        return kFailed;
    }
    const std::optional<size_t> size = OwnedEepromFile::SizeOf(options->eeprom, options->size, &error);
    if (!size) return kFailed;

    struct sigaction stop {};
    stop.sa_handler = OnStop;  // no SA_RESTART: a poll returns at once
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    struct sigaction report {};
    report.sa_handler = OnReport;
    ::sigaction(SIGUSR1, &report, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Server server(*options, std::move(*file), *size);
    if (!server.Start()) return kFailed;
    int status = kOk;
    if (options->fd) {
        status = server.ServeSocket(*options->fd);
    } else if (options->vhciAttach) {
        status = server.ServeVhci();
    } else {
        status = server.ServeTcp();
    }
    server.Finish();
    return status;
}
