#include "camera/sim/usbip/UsbipConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kestrovane::usbip {

namespace {

// Nothing this camera takes is longer than a configuration's worth of data.
constexpr int32_t kMaxTransferLength = 64 * 1024;
constexpr uint32_t kControlEndpoint = 0;
constexpr uint32_t kStreamingEndpointNumber = kStreamingEndpoint & 0x0F;
// The client has this long to send the rest of a message it has begun.
constexpr int kMessageTimeoutMs = 5000;

}  // namespace

std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

bool ReadExact(int socket, uint8_t* data, size_t size, int timeoutMs) {
    size_t done = 0;
    while (done < size) {
        pollfd wait{socket, POLLIN, 0};
        const int ready = ::poll(&wait, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = ::recv(socket, data + done, size - done, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int socket, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t sent = ::send(socket, data + done, size - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

namespace {

bool Send(int socket, const std::vector<uint8_t>& bytes) {
    return WriteAll(socket, bytes.data(), bytes.size());
}

}  // namespace

HandshakeResult ServeHandshake(int socket, const std::vector<DeviceRecord>& available,
                               const std::function<void(const std::string&)>& log) {
    std::array<uint8_t, kOpHeaderSize> head{};
    if (!ReadExact(socket, head.data(), head.size(), kMessageTimeoutMs)) return {};
    const OpHeader header = ParseOpHeader(head);
    if (header.code == kOpReqDevlist) {
        Send(socket, EncodeDevlistReply(available));
        return {Handshake::ListedDevices, {}};
    }
    if (header.code == kOpReqImport) {
        std::array<uint8_t, kBusIdSize> wanted{};
        if (!ReadExact(socket, wanted.data(), wanted.size(), kMessageTimeoutMs)) return {};
        const std::string asked = ParseBusId(wanted);
        const auto found = std::find_if(available.begin(), available.end(),
                                        [&](const DeviceRecord& d) { return d.busId == asked; });
        if (found == available.end()) {
            log("import of " + Printable(asked) + " refused: no such camera, or it is in use");
            Send(socket, EncodeImportReply(nullptr));
            return {Handshake::Refused, asked};
        }
        if (!Send(socket, EncodeImportReply(&*found))) return {};
        return {Handshake::Imported, asked};
    }
    log("unknown operation " + std::to_string(header.code) + " refused");
    return {};
}

ConnectionEnd UrbSession::Serve(const std::function<bool()>& stopRequested,
                                const std::function<void()>& onIdle, int pollMs) {
    for (;;) {
        if (stopRequested()) return ConnectionEnd::Stopped;
        if (!device_.Present()) return ConnectionEnd::DeviceGone;
        pollfd wait{socket_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, pollMs);
        if (ready <= 0) {
            if (ready < 0 && errno != EINTR) return ConnectionEnd::Closed;
            onIdle();
            continue;
        }
        if (const std::optional<ConnectionEnd> end = ServeReadable()) return *end;
    }
}

std::optional<ConnectionEnd> UrbSession::ServeReadable() {
    std::array<uint8_t, kUrbHeaderSize> head{};
    if (!ReadExact(socket_, head.data(), head.size(), kMessageTimeoutMs)) {
        return ConnectionEnd::Closed;
    }
    bool keepGoing = true;
    const ConnectionEnd end = HandleOne(ParseUrbHeader(head), &keepGoing);
    if (!keepGoing) return end;
    if (!device_.Present()) return ConnectionEnd::DeviceGone;
    return std::nullopt;
}

ConnectionEnd UrbSession::HandleOne(const UrbCommand& command, bool* keepGoing) {
    *keepGoing = false;
    if (command.command == kCmdUnlink) {
        const auto found = std::find(pending_.begin(), pending_.end(), command.unlinkSeqnum);
        // A transfer still waiting is cancelled; one already answered is not found.
        int32_t status = 0;
        if (found != pending_.end()) {
            pending_.erase(found);
            status = -ECONNRESET;
        }
        if (!Send(socket_, EncodeRetUnlink(command.seqnum, status))) return ConnectionEnd::Closed;
        *keepGoing = true;
        return ConnectionEnd::Closed;
    }
    if (command.command != kCmdSubmit) {
        log_("unknown command " + std::to_string(command.command));
        return ConnectionEnd::ProtocolError;
    }
    if (command.bufferLength < 0 || command.bufferLength > kMaxTransferLength ||
        command.packetCount > 0) {
        log_("transfer refused: length " + std::to_string(command.bufferLength) + ", " +
             std::to_string(command.packetCount) + " isochronous packets");
        return ConnectionEnd::ProtocolError;
    }
    const bool out = command.direction == kDirectionOut;
    std::vector<uint8_t> outData;
    if (out && command.bufferLength > 0) {
        outData.resize(static_cast<size_t>(command.bufferLength));
        if (!ReadExact(socket_, outData.data(), outData.size(), kMessageTimeoutMs)) {
            return ConnectionEnd::Closed;
        }
    }

    std::vector<uint8_t> reply;
    if (command.endpoint == kControlEndpoint) {
        ControlReply answer = device_.Control(command.setup, outData);
        // The controller may have been unplugged by this very transfer: the
        // device leaves without answering it, as a pulled cable would.
        if (!device_.Present()) return ConnectionEnd::DeviceGone;
        const int32_t actual =
            answer.status != 0 ? 0
            : out              ? command.bufferLength
                               : static_cast<int32_t>(answer.data.size());
        if (out || answer.status != 0) answer.data.clear();
        reply = EncodeRetSubmit(command.seqnum, answer.status, answer.data, actual);
    } else if (command.endpoint == kStreamingEndpointNumber && !out) {
        // No frames: the transfer waits until the client unlinks it.
        pending_.push_back(command.seqnum);
        *keepGoing = true;
        return ConnectionEnd::Closed;
    } else {
        reply = EncodeRetSubmit(command.seqnum, -EPIPE, {}, 0);
    }
    if (!Send(socket_, reply)) return ConnectionEnd::Closed;
    *keepGoing = true;
    return ConnectionEnd::Closed;
}

}  // namespace kestrovane::usbip
