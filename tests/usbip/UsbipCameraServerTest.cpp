// Several cameras behind one listening socket, as usbip clients meet them.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "TempFolder.h"
#include "VirtualClock.h"
#include "camera/sim/usbip/UsbipCameraServer.h"

namespace kestrovane::usbip {
namespace {

class UsbipCameraServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<ServedCamera>> cameras;
        for (int i = 1; i <= 2; ++i) {
            std::string error;
            const std::string path = (folder.Path() / ("camera" + std::to_string(i))).string();
            auto file = OwnedEepromFile::Open(path, 256, &error);
            ASSERT_TRUE(file) << error;
            cameras.push_back(std::make_unique<ServedCamera>(std::move(*file), 256, 2,
                                                             CameraIdentity{},
                                                             "1-" + std::to_string(i), clock));
        }
        server = std::make_unique<UsbipCameraServer>(std::move(cameras),
                                                     [](const std::string&) {});
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(listener, 4), 0);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        serving = std::thread([this] {
            server->Run(listener, false, [this] { return stop.load(); }, [] {});
        });
    }
    void TearDown() override {
        stop = true;
        if (serving.joinable()) serving.join();
        server.reset();
        if (listener >= 0) ::close(listener);
    }

    int Connect() {
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return client;
    }
    // The bus ids the server lists.
    std::vector<std::string> Listed() {
        const int client = Connect();
        const std::vector<uint8_t> request = EncodeOpHeader(kOpReqDevlist, 0);
        WriteAll(client, request.data(), request.size());
        std::vector<uint8_t> head(kOpHeaderSize + 4);
        std::vector<std::string> ids;
        if (ReadExact(client, head.data(), head.size(), 2000)) {
            for (uint32_t i = 0; i < GetU32(head, 8); ++i) {
                std::vector<uint8_t> record(kDeviceRecordSize + 2 * 4);
                if (!ReadExact(client, record.data(), record.size(), 2000)) break;
                ids.push_back(ParseBusId(
                    std::span<const uint8_t, kBusIdSize>(record.data() + 256, kBusIdSize)));
            }
        }
        ::close(client);
        return ids;
    }
    // Imports a bus id; the connection on success, else -1.
    int Import(const std::string& busId) {
        const int client = Connect();
        std::vector<uint8_t> request = EncodeOpHeader(kOpReqImport, 0);
        request.insert(request.end(), busId.begin(), busId.end());
        request.resize(kOpHeaderSize + kBusIdSize, 0);
        WriteAll(client, request.data(), request.size());
        std::vector<uint8_t> reply(kOpHeaderSize);
        if (!ReadExact(client, reply.data(), reply.size(), 2000) || GetU32(reply, 4) != 0) {
            ::close(client);
            return -1;
        }
        std::vector<uint8_t> record(kDeviceRecordSize);
        ReadExact(client, record.data(), record.size(), 2000);
        return client;
    }

    kestrovane::testing::TempFolder folder{"UsbipCameraServer"};
    testing::VirtualClock clock;
    std::unique_ptr<UsbipCameraServer> server;
    int listener = -1;
    uint16_t port = 0;
    std::atomic<bool> stop{false};
    std::thread serving;
};

TEST_F(UsbipCameraServerTest, EachCameraIsImportedOnceAndFreedByItsClientLeaving) {
    EXPECT_EQ(Listed(), (std::vector<std::string>{"1-1", "1-2"}));
    const int second = Import("1-2");
    ASSERT_GE(second, 0);
    EXPECT_EQ(Listed(), std::vector<std::string>{"1-1"});
    EXPECT_EQ(Import("1-2"), -1);  // in use
    EXPECT_EQ(Import("1-9"), -1);  // no such camera

    // The imported camera answers on its connection while others come and go.
    std::vector<uint8_t> submit;
    for (uint32_t field : {kCmdSubmit, 7u, 0x10002u, kDirectionIn, 0u, 0u, 18u, 0u, 0u, 0u}) {
        PutU32(submit, field);
    }
    submit.insert(submit.end(), {0x80, 0x06, 0, 1, 0, 0, 18, 0});
    WriteAll(second, submit.data(), submit.size());
    std::vector<uint8_t> reply(kUrbHeaderSize + 18);
    ASSERT_TRUE(ReadExact(second, reply.data(), reply.size(), 2000));
    EXPECT_EQ(GetU32(reply, 4), 7u);
    EXPECT_EQ(reply[kUrbHeaderSize + 1], 0x01);

    ::close(second);  // a detach
    for (int wait = 0; wait < 100 && Listed().size() < 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(Listed(), (std::vector<std::string>{"1-1", "1-2"}));
}

}  // namespace
}  // namespace kestrovane::usbip
