// The simulated camera's USB side: its descriptors as the project's own
// descriptor walk reads them, and the answers to the requests the UVC driver
// sends.
#include <gtest/gtest.h>

#include <cerrno>

#include "VirtualClock.h"
#include "camera/linux/UvcDescriptors.h"
#include "camera/sim/usbip/SimulatedUvcDevice.h"

namespace kestrovane::usbip {
namespace {

using SetupPacket = std::array<uint8_t, 8>;

SetupPacket ClassGet(uint8_t request, uint8_t selector, uint8_t entity, uint8_t interface,
               uint16_t length) {
    return {0xA1, request, 0, selector, interface, entity, static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}
SetupPacket ClassSet(uint8_t selector, uint8_t entity, uint8_t interface, uint16_t length) {
    return {0x21, 0x01, 0, selector, interface, entity, static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}
SetupPacket GetDescriptor(uint8_t type, uint8_t index, uint16_t length) {
    return {0x80, 0x06, index, type, 0, 0, static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}

class SimulatedUvcDeviceTest : public ::testing::Test {
protected:
    ControlReply XuSet(uint8_t selector, std::vector<uint8_t> bytes) {
        return device.Control(ClassSet(selector, kExtensionUnitId, 0,
                                       static_cast<uint16_t>(bytes.size())),
                              bytes);
    }
    ControlReply XuGet(uint8_t request, uint8_t selector, uint16_t length) {
        return device.Control(ClassGet(request, selector, kExtensionUnitId, 0, length), {});
    }

    testing::VirtualClock clock;
    sim::SimulatedController controller{2048, 2};
    SimulatedUvcDevice device{controller, CameraIdentity{}, clock};
};

TEST(UvcCameraDescriptorsTest, ConfigurationIsWellFormedAndShowsTheVendorUnit) {
    const std::vector<uint8_t> config = ConfigurationDescriptor();
    ASSERT_GE(config.size(), 9u);
    EXPECT_EQ(config[2] | config[3] << 8, static_cast<int>(config.size()));
    // Every descriptor's bLength adds up to the whole; the VideoControl
    // header's wTotalLength covers exactly the class descriptors after it.
    size_t offset = 0;
    size_t headerAt = 0;
    size_t classBytesAfterHeader = 0;
    bool inControl = false;
    while (offset < config.size()) {
        const uint8_t length = config[offset];
        ASSERT_GE(length, 2u);
        ASSERT_LE(offset + length, config.size());
        if (config[offset + 1] == 0x04) inControl = config[offset + 6] == 0x01;
        if (inControl && config[offset + 1] == 0x24) {
            if (config[offset + 2] == 0x01) headerAt = offset;
            classBytesAfterHeader += length;
        }
        offset += length;
    }
    EXPECT_EQ(offset, config.size());
    ASSERT_NE(headerAt, 0u);
    EXPECT_EQ(config[headerAt + 3] | config[headerAt + 4] << 8, kUvcVersion);
    EXPECT_EQ(config[headerAt + 5] | config[headerAt + 6] << 8,
              static_cast<int>(classBytesAfterHeader));

    // The Linux backend, reading this through sysfs, finds the vendor's unit.
    std::vector<uint8_t> file = DeviceDescriptor(CameraIdentity{});
    file.insert(file.end(), config.begin(), config.end());
    const auto units = linux_camera::FindExtensionUnits(file, kControlInterface, kConfigurationValue);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].unitId, kExtensionUnitId);
    EXPECT_EQ(units[0].code, XuPropertySet);
}

TEST(UvcCameraDescriptorsTest, DeviceAndStringDescriptors) {
    CameraIdentity identity;
    identity.vendorId = 0x0c7b;
    identity.productId = 0x1234;
    identity.serial = "AB12";
    const std::vector<uint8_t> device = DeviceDescriptor(identity);
    ASSERT_EQ(device.size(), 18u);
    EXPECT_EQ(device[4], 0xEF);  // interface association: miscellaneous class
    EXPECT_EQ(device[8] | device[9] << 8, 0x0c7b);
    EXPECT_EQ(device[10] | device[11] << 8, 0x1234);
    EXPECT_EQ(*StringDescriptor(identity, 3),
              (std::vector<uint8_t>{10, 3, 'A', 0, 'B', 0, '1', 0, '2', 0}));
    EXPECT_EQ(*StringDescriptor(identity, 0), (std::vector<uint8_t>{4, 3, 0x09, 0x04}));
    EXPECT_FALSE(StringDescriptor(identity, 4));
}

TEST_F(SimulatedUvcDeviceTest, StandardRequestsAnswerUpToTheAskedLength) {
    EXPECT_EQ(device.Control(GetDescriptor(1, 0, 8), {}).data.size(), 8u);
    const ControlReply config = device.Control(GetDescriptor(2, 0, 0xFFFF), {});
    EXPECT_EQ(config.status, 0);
    EXPECT_EQ(config.data, ConfigurationDescriptor());
    // No device qualifier, no BOS, no string 9: stalls.
    EXPECT_EQ(device.Control(GetDescriptor(6, 0, 10), {}).status, -EPIPE);
    EXPECT_EQ(device.Control(GetDescriptor(0x0F, 0, 5), {}).status, -EPIPE);
    EXPECT_EQ(device.Control(GetDescriptor(3, 9, 255), {}).status, -EPIPE);
    EXPECT_EQ(device.Control({0x00, 0x09, 1, 0, 0, 0, 0, 0}, {}).status, 0);
    EXPECT_EQ(device.Control({0x00, 0x09, 7, 0, 0, 0, 0, 0}, {}).status, -EPIPE);
    EXPECT_EQ(device.Control({0x80, 0x08, 0, 0, 0, 0, 1, 0}, {}).data, std::vector<uint8_t>{1});
    EXPECT_EQ(device.Control({0x40, 0x33, 0, 0, 0, 0, 0, 0}, {}).status, -EPIPE);  // vendor
}

TEST_F(SimulatedUvcDeviceTest, ExtensionUnitControlsAreThreeByteGetAndSet) {
    for (uint8_t selector : {1, 2}) {
        EXPECT_EQ(XuGet(0x85, selector, 2).data, (std::vector<uint8_t>{3, 0}));
        EXPECT_EQ(XuGet(0x86, selector, 1).data, std::vector<uint8_t>{0x03});
    }
    EXPECT_EQ(XuGet(0x85, 3, 2).status, -EPIPE);  // no third control
    EXPECT_EQ(XuSet(1, {0x00, 0x10}).status, -EPIPE);  // wrong length never reaches it
    EXPECT_EQ(XuGet(0x81, 1, 4).status, -EPIPE);
    EXPECT_EQ(controller.TransferCount(), 0u);

    // SET_CUR and GET_CUR are the controller's requests.
    EXPECT_EQ(XuSet(2, {CMD_PROBE, 0, 0}).status, 0);
    const ControlReply reply = XuGet(0x81, 2, 3);
    EXPECT_EQ(reply.status, 0);
    ASSERT_EQ(reply.data.size(), 3u);
    const auto log = controller.TransferLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].isGet);
    EXPECT_EQ(log[0].selector, 2u);
    EXPECT_TRUE(log[1].isGet);
    EXPECT_EQ(reply.data, std::vector<uint8_t>(log[1].bytes.begin(), log[1].bytes.end()));
    const std::string kind = sim::RequestKindName(2, {CMD_PROBE, 0, 0}, 2);
    EXPECT_EQ(device.Count(kind), 1u) << device.Report();
    EXPECT_EQ(device.Count(kind + " reply"), 1u);
    EXPECT_EQ(device.Count("refused: length"), 2u);

    // An entity the camera does not have, a request code UVC does not know.
    EXPECT_EQ(device.Control(ClassGet(0x81, 1, 9, 0, 3), {}).status, -EPIPE);
    EXPECT_EQ(device.Control(ClassGet(0x90, 1, kExtensionUnitId, 0, 3), {}).status, -EPIPE);
}

TEST_F(SimulatedUvcDeviceTest, FaultsStallTheTransferOrTakeTheDeviceAway) {
    // After a stall the UVC driver reads the request error code control:
    // "wrong state" for a request the controller failed (the kernel makes
    // EILSEQ of it), "invalid control" for a selector the unit lacks; the
    // next request that works clears it.
    auto errorCode = [this] {
        return device.Control(ClassGet(0x81, 0x02, 0, kControlInterface, 1), {}).data;
    };
    controller.FailNthTransfer(2);
    EXPECT_EQ(XuSet(2, {CMD_PROBE, 0, 0}).status, 0);
    EXPECT_EQ(XuGet(0x81, 2, 3).status, -EPIPE);
    EXPECT_EQ(device.Count("refused: controller"), 1u);
    EXPECT_TRUE(device.Present());
    EXPECT_EQ(errorCode(), std::vector<uint8_t>{0x02});
    EXPECT_EQ(errorCode(), std::vector<uint8_t>{0x00});
    EXPECT_EQ(XuGet(0x86, 5, 1).status, -EPIPE);
    EXPECT_EQ(errorCode(), std::vector<uint8_t>{0x06});
    XuGet(0x86, 5, 1);
    XuGet(0x86, 1, 1);
    EXPECT_EQ(errorCode(), std::vector<uint8_t>{0x00});

    controller.ShortReplyOnNthTransfer(2);
    EXPECT_EQ(XuSet(2, {CMD_PROBE, 0, 0}).status, 0);
    EXPECT_EQ(XuGet(0x81, 2, 3).data.size(), 2u);  // a short data stage

    controller.UnplugAfterTransfers(1);
    EXPECT_EQ(XuSet(2, {CMD_PROBE, 0, 0}).status, 0);
    EXPECT_TRUE(device.Present());
    XuGet(0x81, 2, 3);
    EXPECT_FALSE(device.Present());
}

TEST_F(SimulatedUvcDeviceTest, ProcessingUnitAndStreamingControls) {
    EXPECT_EQ(device.Control(ClassGet(0x83, 0x02, kProcessingUnitId, 0, 2), {}).data,
              (std::vector<uint8_t>{64, 0}));
    const std::vector<uint8_t> minusTen{0xF6, 0xFF};
    EXPECT_EQ(device.Control(ClassSet(0x02, kProcessingUnitId, 0, 2), minusTen).status, 0);
    EXPECT_EQ(device.Control(ClassGet(0x81, 0x02, kProcessingUnitId, 0, 2), {}).data, minusTen);
    const std::vector<uint8_t> tooBright{100, 0};
    EXPECT_EQ(device.Control(ClassSet(0x02, kProcessingUnitId, 0, 2), tooBright).status, -EPIPE);
    EXPECT_EQ(device.Control(ClassGet(0x86, 0x07, kProcessingUnitId, 0, 1), {}).status, -EPIPE);

    // The UVC 1.1 probe is 34 bytes; the driver also knows 26 and 48.
    for (uint16_t length : {26, 34, 48}) {
        const ControlReply probe =
            device.Control(ClassGet(0x87, 0x01, 0, kStreamingInterface, length), {});
        ASSERT_EQ(probe.data.size(), length);
        EXPECT_EQ(probe.data[2], 1);  // format
        EXPECT_EQ(probe.data[3], 1);  // frame
        EXPECT_EQ(probe.data[18] | probe.data[19] << 8 | probe.data[20] << 16, kFrameBytes);
    }
    EXPECT_EQ(device.Control(ClassGet(0x81, 0x01, 0, kStreamingInterface, 30), {}).status, -EPIPE);
}

TEST_F(SimulatedUvcDeviceTest, DriverRebindAfterAJumpIsTheCameraRestarting) {
    const SetupPacket streamingSetting0{0x01, 0x0B, 0, 0, kStreamingInterface, 0, 0, 0};
    device.Control(streamingSetting0, {});  // the driver takes the camera on
    EXPECT_EQ(controller.RestartCount(), 0);
    device.Control(streamingSetting0, {});  // rebound without a jump: no restart
    EXPECT_EQ(controller.RestartCount(), 0);
    XuSet(2, {CMD_JUMP, 0, 0});
    ASSERT_EQ(controller.JumpRequests(), 1);
    device.Control(streamingSetting0, {});
    EXPECT_EQ(controller.RestartCount(), 1);
    EXPECT_TRUE(controller.RunningNewImage());
}

}  // namespace
}  // namespace kestrovane::usbip
