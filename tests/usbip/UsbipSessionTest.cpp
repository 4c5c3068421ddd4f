// The USB/IP side of the server: the operations before an import, and the
// URB phase over a real socket pair, as vhci-hcd drives it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "TempFolder.h"
#include "VirtualClock.h"
#include "camera/sim/usbip/OwnedEepromFile.h"
#include "camera/sim/usbip/UsbipConnection.h"
#include "camera/sim/usbip/VhciAttach.h"

namespace kestrovane::usbip {
namespace {

class UsbipSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        client = ends[0];
        server = ends[1];
    }
    void TearDown() override {
        if (client >= 0) ::close(client);
        ::close(server);
    }

    void Send(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteAll(client, bytes.data(), bytes.size()));
    }
    std::vector<uint8_t> Receive(size_t size) {
        std::vector<uint8_t> bytes(size);
        if (!ReadExact(client, bytes.data(), size, 2000)) bytes.clear();
        return bytes;
    }
    std::vector<uint8_t> Submit(uint32_t seqnum, uint32_t direction, uint32_t endpoint,
                                int32_t length, std::array<uint8_t, 8> setup = {}) {
        std::vector<uint8_t> out;
        for (uint32_t field : {kCmdSubmit, seqnum, 0x10002u, direction, endpoint, 0u,
                               static_cast<uint32_t>(length), 0u, 0u, 0u}) {
            PutU32(out, field);
        }
        out.insert(out.end(), setup.begin(), setup.end());
        return out;
    }
    std::vector<uint8_t> Unlink(uint32_t seqnum, uint32_t victim) {
        std::vector<uint8_t> out;
        for (uint32_t field : {kCmdUnlink, seqnum, 0x10002u, 0u, 0u, victim}) PutU32(out, field);
        out.resize(kUrbHeaderSize, 0);
        return out;
    }
    // Serves what the client sent, until it closes its end.
    ConnectionEnd ServeAll(UrbSession& session) {
        ::shutdown(client, SHUT_WR);
        return session.Serve([] { return false; }, [] {}, 50);
    }

    int client = -1;
    int server = -1;
    testing::VirtualClock clock;
    sim::SimulatedController controller{2048, 2};
    SimulatedUvcDevice device{controller, CameraIdentity{}, clock};
    std::function<void(const std::string&)> quiet = [](const std::string&) {};
};

TEST_F(UsbipSessionTest, DevlistAndImportBeforeTheUrbPhase) {
    const std::vector<DeviceRecord> available{device.Record("1-1"), device.Record("1-2")};
    Send(EncodeOpHeader(kOpReqDevlist, 0));
    EXPECT_EQ(ServeHandshake(server, available, quiet).outcome, Handshake::ListedDevices);
    const size_t recordWithInterfaces = kDeviceRecordSize + 2 * 4;
    const std::vector<uint8_t> list = Receive(kOpHeaderSize + 4 + 2 * recordWithInterfaces);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(GetU16(list, 2), kOpRepDevlist);
    EXPECT_EQ(GetU32(list, 8), 2u);
    const size_t second = 12 + recordWithInterfaces;
    EXPECT_EQ(ParseBusId(std::span<const uint8_t, kBusIdSize>(list.data() + second + 256,
                                                             kBusIdSize)),
              "1-2");
    EXPECT_EQ(GetU16(list, 12 + 256 + 32 + 12), 0x3a5e);
    EXPECT_EQ(list[12 + kDeviceRecordSize], 0x0E);      // the first interface: video control
    EXPECT_EQ(list[12 + kDeviceRecordSize + 5], 0x02);  // the second: video streaming

    std::vector<uint8_t> import = EncodeOpHeader(kOpReqImport, 0);
    const std::string other = "2-7";
    import.insert(import.end(), other.begin(), other.end());
    import.resize(kOpHeaderSize + kBusIdSize, 0);
    Send(import);
    EXPECT_EQ(ServeHandshake(server, available, quiet).outcome, Handshake::Refused);
    const std::vector<uint8_t> refused = Receive(kOpHeaderSize);
    EXPECT_EQ(GetU32(refused, 4), 1u);

    std::copy_n("1-2", 3, import.begin() + kOpHeaderSize);
    Send(import);
    const HandshakeResult result = ServeHandshake(server, available, quiet);
    EXPECT_EQ(result.outcome, Handshake::Imported);
    EXPECT_EQ(result.busId, "1-2");
    const std::vector<uint8_t> imported = Receive(kOpHeaderSize + kDeviceRecordSize);
    ASSERT_FALSE(imported.empty());
    EXPECT_EQ(GetU32(imported, 4), 0u);
    EXPECT_EQ(GetU32(imported, kOpHeaderSize + 256 + 32 + 4), 2u);  // device number
    EXPECT_EQ(GetU32(imported, kOpHeaderSize + 256 + 32 + 8), kSpeedHigh);
}

TEST_F(UsbipSessionTest, ControlTransfersAndUnlinkOfAWaitingBulkTransfer) {
    UrbSession session(server, device, quiet);
    Send(Submit(1, kDirectionIn, 0, 18, {0x80, 0x06, 0, 1, 0, 0, 18, 0}));
    Send(Submit(2, kDirectionIn, 1, 512));  // video data: there is none, it waits
    Send(Unlink(3, 2));
    Send(Unlink(4, 1));  // already answered
    std::vector<uint8_t> set = Submit(5, kDirectionOut, 0, 3, {0x21, 0x01, 0, 2, 0, 6, 3, 0});
    set.insert(set.end(), {CMD_PROBE, 0, 0});
    Send(set);
    Send(Submit(6, kDirectionOut, 2, 4));  // an endpoint the camera does not have
    Send({1, 2, 3, 4, 0, 0, 0, 0});  // its data, then nothing complete: the end
    EXPECT_EQ(ServeAll(session), ConnectionEnd::Closed);

    std::vector<uint8_t> reply = Receive(kUrbHeaderSize + 18);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(GetU32(reply, 0), kRetSubmit);
    EXPECT_EQ(GetU32(reply, 4), 1u);
    EXPECT_EQ(GetU32(reply, 20), 0u);   // status
    EXPECT_EQ(GetU32(reply, 24), 18u);  // actual length
    EXPECT_EQ(reply[kUrbHeaderSize + 1], 0x01);  // a device descriptor

    reply = Receive(kUrbHeaderSize);
    EXPECT_EQ(GetU32(reply, 0), kRetUnlink);
    EXPECT_EQ(GetU32(reply, 4), 3u);
    EXPECT_EQ(static_cast<int32_t>(GetU32(reply, 20)), -ECONNRESET);
    reply = Receive(kUrbHeaderSize);
    EXPECT_EQ(GetU32(reply, 4), 4u);
    EXPECT_EQ(GetU32(reply, 20), 0u);

    reply = Receive(kUrbHeaderSize);  // the SET_CUR: no data comes back
    EXPECT_EQ(GetU32(reply, 4), 5u);
    EXPECT_EQ(GetU32(reply, 20), 0u);
    EXPECT_EQ(GetU32(reply, 24), 3u);
    EXPECT_EQ(controller.TransferCount(), 1u);
    reply = Receive(kUrbHeaderSize);
    EXPECT_EQ(GetU32(reply, 4), 6u);
    EXPECT_EQ(static_cast<int32_t>(GetU32(reply, 20)), -EPIPE);
    EXPECT_EQ(session.PendingTransfers(), 0u);
}

TEST_F(UsbipSessionTest, AnUnpluggedCameraLeavesWithoutAnsweringAndNonsenseEndsTheSession) {
    UrbSession session(server, device, quiet);
    controller.UnplugAfterTransfers(0);
    std::vector<uint8_t> set = Submit(1, kDirectionOut, 0, 3, {0x21, 0x01, 0, 2, 0, 6, 3, 0});
    set.insert(set.end(), {CMD_PROBE, 0, 0});
    Send(set);
    EXPECT_EQ(ServeAll(session), ConnectionEnd::DeviceGone);
    EXPECT_TRUE(Receive(1).empty());

    controller.Replug();
    std::vector<uint8_t> huge = Submit(2, kDirectionOut, 0, 1 << 30);
    int clientAgain[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, clientAgain), 0);
    ASSERT_TRUE(WriteAll(clientAgain[0], huge.data(), huge.size()));
    UrbSession fresh(clientAgain[1], device, quiet);
    ::shutdown(clientAgain[0], SHUT_WR);
    EXPECT_EQ(fresh.Serve([] { return false; }, [] {}, 50), ConnectionEnd::ProtocolError);
    ::close(clientAgain[0]);
    ::close(clientAgain[1]);
}

TEST(VhciAttachTest, FreePortOfTheRightHub) {
    const std::string status =
        "hub port sta spd dev      sockfd local_busid\n"
        "hs  0000 006 003 00010002 000004 1-1\n"
        "hs  0001 004 000 00000000 000000 0-0\n"
        "ss  0008 004 000 00000000 000000 0-0\n";
    EXPECT_EQ(FreeVhciPort(status, kSpeedHigh), 1u);
    EXPECT_EQ(FreeVhciPort(status, 5), 8u);
    EXPECT_FALSE(FreeVhciPort("hub port sta\nhs  0000 006\n", kSpeedHigh));
}

TEST(OwnedEepromFileTest, OneOwnerAtATimeAndNoFileIsCutOrPadded) {
    kestrovane::testing::TempFolder folder("OwnedEepromFile");
    const std::string path = (folder.Path() / "camera.eeprom").string();
    std::string error;
    {
        auto owner = OwnedEepromFile::Open(path, 512, &error);
        ASSERT_TRUE(owner) << error;
        sim::SimulatedController controller(512, 2);
        ASSERT_TRUE(owner->Load(controller));  // a new camera: the file is made, 0xFF
        EXPECT_EQ(std::filesystem::file_size(path), 512u);
        EXPECT_FALSE(OwnedEepromFile::Open(path, 512, &error));
        EXPECT_NE(error.find("another process serves"), std::string::npos);
        controller.WriteEeprom(0, {0x41, 0x42});
        ASSERT_TRUE(owner->Save(controller));
    }
    auto again = OwnedEepromFile::Open(path, std::nullopt, &error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(OwnedEepromFile::SizeOf(path, std::nullopt, &error), 512u);
    sim::SimulatedController controller(512, 2);
    ASSERT_TRUE(again->Load(controller));
    EXPECT_EQ(controller.EepromByte(1), 0x42);
    EXPECT_FALSE(OwnedEepromFile::SizeOf(path, 1024, &error));
    EXPECT_NE(error.find("not the 1024"), std::string::npos);
}

}  // namespace
}  // namespace kestrovane::usbip
