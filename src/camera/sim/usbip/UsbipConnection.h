#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "camera/sim/usbip/SimulatedUvcDevice.h"

namespace kestrovane::usbip {

// How a connection ended.
enum class ConnectionEnd {
    Closed,         // the client closed it (a detach), or it broke
    ProtocolError,  // the client sent something this server cannot take
    DeviceGone,     // the camera was unplugged (a fault): the client must see it leave
    Stopped,        // the server was asked to stop
};

// What the first message of a new connection asked for.
enum class Handshake {
    ListedDevices,  // OP_REQ_DEVLIST answered; the connection is done
    Imported,       // OP_REQ_IMPORT of an available bus id answered: the URB phase follows
    Refused,        // an import of a bus id that is not available
    Failed,         // nothing readable
};

struct HandshakeResult {
    Handshake outcome = Handshake::Failed;
    std::string busId;  // the one imported
};

// Reads exactly `size` bytes, waiting at most `timeoutMs` for each part once
// the first byte came (a negative timeout waits as long as it takes). False on
// end of file, error or timeout.
bool ReadExact(int socket, uint8_t* data, size_t size, int timeoutMs);
bool WriteAll(int socket, const uint8_t* data, size_t size);

// Answers the operation a client sends first on a TCP connection: the list
// of `available` devices (those present and not imported), or the import of one.
HandshakeResult ServeHandshake(int socket, const std::vector<DeviceRecord>& available,
                               const std::function<void(const std::string&)>& log);

// The URB phase of one imported device on a connected socket: control
// transfers go to the device, bulk IN transfers of the streaming endpoint
// wait (there is no video) until the client unlinks them.
class UrbSession {
public:
    UrbSession(int socket, SimulatedUvcDevice& device, std::function<void(const std::string&)> log)
        : socket_(socket), device_(device), log_(std::move(log)) {}

    // Serves until the client goes, the device goes, or `stopRequested` says
    // so (checked at least every `pollMs`); `onIdle` runs whenever a poll
    // times out or is interrupted.
    ConnectionEnd Serve(const std::function<bool()>& stopRequested,
                        const std::function<void()>& onIdle, int pollMs = 200);

    // Reads and answers the one message the socket has for it; the end of
    // the session when that was its last.
    std::optional<ConnectionEnd> ServeReadable();
    int Socket() const { return socket_; }

    // One command whose header is already read; false ends the session.
    ConnectionEnd HandleOne(const UrbCommand& command, bool* keepGoing);
    size_t PendingTransfers() const { return pending_.size(); }

private:
    int socket_;
    SimulatedUvcDevice& device_;
    std::function<void(const std::string&)> log_;
    std::deque<uint32_t> pending_;  // seqnums of bulk IN transfers waiting for data
};

// Text from a client, made safe to print: printable ASCII only.
std::string Printable(const std::string& text);

}  // namespace kestrovane::usbip
