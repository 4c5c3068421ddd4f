#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <fstream>

#include "FakeUvcDeviceIo.h"
#include "SyntheticSysfs.h"
#include "TempFolder.h"
#include "VirtualClock.h"
#include "camera/Transport.h"
#include "camera/linux/UvcCameraPort.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;
using linux_camera::UvcCameraPort;

struct NoWindows final : WindowList {
    std::vector<std::string> TopLevelWindowTitles() override { return {}; }
};

// Two cameras, a plain webcam and a camera without the extension unit, in an
// order of node numbers that differs from the order of their ports; and a
// video node that is no USB device.
class UvcCameraPortTest : public ::testing::Test {
protected:
    UvcCameraPortTest() {
        sysfs.AddCamera({"1-1", 0x046D, 0x0825, UvcCameraDescriptors(std::nullopt).bytes, 6});
        sysfs.AddCamera({"1-2", 0x3A5E, 0x0101, UvcCameraDescriptors(4).bytes, 2});
        sysfs.AddCamera({"1-3.4", 0x0C7B, 0x0202, UvcCameraDescriptors(9).bytes, 0});
        sysfs.AddCamera({"2-1", 0x3A5E, 0x0303, UvcCameraDescriptors(std::nullopt).bytes, 10});
        sysfs.AddPlatformNode(12);
    }

    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        std::unique_ptr<DeviceEnumerator> devices;
        if (port.EnumerateVideoInputs(&devices) != kS_OK) return paths;
        std::unique_ptr<DeviceEntry> device;
        while (devices->Next(&device) == kS_OK) {
            EXPECT_EQ(device->ReadDevicePath(&paths.emplace_back()), kS_OK);
        }
        return paths;
    }

    const std::string first = "usb#vid_0c7b&pid_0202&mi_00#1-3.4";
    const std::string second = "usb#vid_3a5e&pid_0101&mi_00#1-2";
    const std::string webcam = "usb#vid_046d&pid_0825&mi_00#1-1";
    const std::string withoutUnit = "usb#vid_3a5e&pid_0303&mi_00#2-1";

    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SyntheticSysfs sysfs{folder.Path()};
    std::shared_ptr<FakeUvcDeviceIo> io = std::make_shared<FakeUvcDeviceIo>();
    std::vector<std::string> verbose;
    UvcCameraPort port{
        {sysfs.Root(), "/dev", io, [this](const std::string& line) { verbose.push_back(line); }}};
};

TEST_F(UvcCameraPortTest, CaptureNodesOfUsbInterfacesInNodeOrderWithPortPaths) {
    EXPECT_EQ(Paths(), (std::vector<std::string>{first, second, webcam, withoutUnit}));

    VirtualClock clock;
    NoWindows windows;
    CameraPath chosen;
    ASSERT_EQ(FindCamera(port, windows, clock, chosen), 1);
    EXPECT_EQ(chosen.Get(), first);

    // Plugged in again, the camera gets another node number but keeps its
    // path; the same camera in another port has another path.
    sysfs.RemoveNodes();
    sysfs.AddCamera({"1-2", 0x3A5E, 0x0101, UvcCameraDescriptors(4).bytes, 7});
    EXPECT_EQ(Paths(), std::vector<std::string>{second});
    sysfs.RemoveNodes();
    sysfs.AddCamera({"1-2.1", 0x3A5E, 0x0101, UvcCameraDescriptors(4).bytes, 2});
    EXPECT_EQ(Paths(), std::vector<std::string>{"usb#vid_3a5e&pid_0101&mi_00#1-2.1"});
}

TEST_F(UvcCameraPortTest, TransfersGoToTheVendorUnitAsDriverQueries) {
    XuLink link;
    ASSERT_EQ(link.Open({port, second}), XU_OK);
    XuRequest probe{0x07, 0x07, 0x00};
    EXPECT_TRUE(link.Set(CommandChannel, probe));
    io->reply = {0x07, 0x02, 0x00};
    EXPECT_TRUE(link.Get(CommandChannel, probe));
    EXPECT_EQ(probe, (XuRequest{0x07, 0x02, 0x00}));

    ASSERT_EQ(io->queries.size(), 2u);
    for (const FakeUvcDeviceIo::Query& query : io->queries) {
        EXPECT_EQ(query.node, "/dev/video2");
        EXPECT_EQ(query.request, UVCIOC_CTRL_QUERY);
        EXPECT_EQ(query.fields.unit, 4);  // from the descriptors, not the other vendor's unit 3
        EXPECT_EQ(query.fields.selector, 2);
        EXPECT_EQ(query.fields.size, 3);
        EXPECT_EQ(query.sent, (std::vector<uint8_t>{0x07, 0x07, 0x00}));
    }
    EXPECT_EQ(io->queries[0].fields.query, UVC_SET_CUR);
    EXPECT_EQ(io->queries[1].fields.query, UVC_GET_CUR);

    ASSERT_EQ(link.Open({port, first}), XU_OK);  // closes the first link's node
    EXPECT_EQ(io->open.size(), 1u);
    XuRequest offset{0x00, 0x20, 0x00};
    EXPECT_TRUE(link.Set(EepromChannel, offset));
    EXPECT_EQ(io->queries.back().fields.unit, 9);
    EXPECT_EQ(io->queries.back().fields.selector, 1);
    link.Close();
    EXPECT_TRUE(io->open.empty());
}

TEST_F(UvcCameraPortTest, CamerasWithoutAReadableUnitAreNotSupported) {
    XuLink link;
    EXPECT_EQ(link.Open({port, withoutUnit}), XU_NOT_SUPPORTED);
    EXPECT_EQ(link.FailedStep(), XuLink::Step::OpenExtensionUnit);
    EXPECT_EQ(link.Open({port, webcam}), XU_NO_DEVICE);  // no vendor marker

    // Cut 10 bytes into the vendor unit (113 bytes come before it).
    const std::vector<uint8_t> full = UvcCameraDescriptors(4).bytes;
    const fs::path descriptors = sysfs.InterfaceFolder("1-2").parent_path() / "descriptors";
    std::ofstream(descriptors, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(full.data()), 123);
    EXPECT_EQ(link.Open({port, second}), XU_NOT_SUPPORTED);

    fs::remove(descriptors);
    EXPECT_EQ(link.Open({port, second}), XU_NOT_SUPPORTED);
    EXPECT_EQ(verbose.back(), "reading " + descriptors.string() + " failed");
    EXPECT_TRUE(io->open.empty());
    EXPECT_TRUE(io->queries.empty());
}

TEST_F(UvcCameraPortTest, SystemErrorsFailTheRequestAndKeepTheirText) {
    XuLink link;
    io->openErrors["/dev/video2"] = EACCES;
    EXPECT_EQ(link.Open({port, second}), XU_NO_DEVICE);
    EXPECT_EQ(verbose.back(), "open /dev/video2: Permission denied (errno 13)");

    io->openErrors.clear();
    ASSERT_EQ(link.Open({port, second}), XU_OK);
    io->ioctlError = EPIPE;
    XuRequest request{0x01, 0x34, 0x12};
    EXPECT_FALSE(link.Set(CommandChannel, request));
    EXPECT_EQ(verbose.back(),
              "UVCIOC_CTRL_QUERY SET_CUR unit 4 selector 2 size 3 on /dev/video2: Broken pipe "
              "(errno 32)");
    EXPECT_FALSE(link.Get(CommandChannel, request));
    EXPECT_EQ(request, (XuRequest{0x01, 0x34, 0x12}));

    std::unique_ptr<CaptureFilter> filter;
    ASSERT_EQ(OpenCamera({port, second}, &filter), XU_OK);
    std::unique_ptr<PropertyControl> control;
    ASSERT_EQ(GetKsControl(filter.get(), &control), XU_OK);
    io->ioctlError = ENODEV;  // unplugged
    NodePropertyRequest node{XuPropertySet, CommandChannel, kXuGetFlags, 1, 0};
    uint32_t returned = 99;
    EXPECT_EQ(control->KsProperty(node, request.data(), 3, &returned), kE_DEVICE_GONE);
    EXPECT_EQ(returned, 0u);
}

TEST_F(UvcCameraPortTest, OnlyTheVendorUnitTakesRequests) {
    std::unique_ptr<CaptureFilter> filter;
    ASSERT_EQ(OpenCamera({port, second}, &filter), XU_OK);
    std::unique_ptr<Topology> topology;
    ASSERT_EQ(filter->QueryTopology(&topology), kS_OK);
    uint32_t count = 0;
    ASSERT_EQ(topology->NumNodes(&count), kS_OK);
    EXPECT_EQ(count, 2u);
    Guid type;
    ASSERT_EQ(topology->NodeType(0, &type), kS_OK);
    EXPECT_EQ(type, Guid{});
    ASSERT_EQ(topology->NodeType(1, &type), kS_OK);
    EXPECT_EQ(type, KSNODETYPE_DEV_SPECIFIC);
    EXPECT_LT(topology->NodeType(2, &type), 0);

    std::unique_ptr<PropertyControl> control;
    ASSERT_EQ(filter->QueryPropertyControl(&control), kS_OK);
    XuRequest data{};
    uint32_t returned = 0;
    const NodePropertyRequest good{XuPropertySet, CommandChannel, kXuSetFlags, 1, 0};
    std::vector<NodePropertyRequest> bad(5, good);
    bad[0].set = KSNODETYPE_DEV_SPECIFIC;
    bad[1].nodeId = 0;                   // the other vendor's unit
    bad[2].flags = KSPROPERTY_TYPE_GET;  // not addressed to a node
    bad[3].id = 0x102;                   // no 8-bit selector
    bad[4].nodeId = 2;                   // no such node
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_LT(control->KsProperty(bad[i], data.data(), 3, &returned), 0) << i;
    }
    EXPECT_LT(control->KsProperty(good, data.data(), 0, &returned), 0);
    EXPECT_TRUE(io->queries.empty());
    EXPECT_EQ(control->KsProperty(good, data.data(), 3, &returned), kS_OK);
}

TEST_F(UvcCameraPortTest, TheListOfCaptureDevicesAndAMachineWithoutAny) {
    io->openErrors["/dev/video0"] = EACCES;
    const auto devices = port.CaptureDevices();
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].devicePath, first);
    EXPECT_FALSE(devices[0].accessible);
    EXPECT_TRUE(devices[1].accessible);
    EXPECT_EQ(devices[1].videoNode, "/dev/video2");
    EXPECT_EQ(devices[1].product, "Camera 1-2");
    EXPECT_EQ(devices[1].vendorId, 0x3A5E);
    EXPECT_EQ(devices[1].productId, 0x0101);
    for (size_t i : {0, 1}) EXPECT_TRUE(devices[i].vendorMarker && devices[i].extensionUnit);
    EXPECT_FALSE(devices[2].vendorMarker || devices[2].extensionUnit);
    EXPECT_TRUE(devices[3].vendorMarker && !devices[3].extensionUnit);
    EXPECT_TRUE(io->open.empty());

    sysfs.RemoveNodes();
    sysfs.AddPlatformNode(0);
    std::unique_ptr<DeviceEnumerator> devicesLeft;
    EXPECT_EQ(port.EnumerateVideoInputs(&devicesLeft), kS_FALSE);
    EXPECT_TRUE(port.CaptureDevices().empty());
    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(OpenCamera({port, second}, &filter), XU_NO_DEVICE);

    UvcCameraPort noVideo({folder.Path() / "missing", "/dev", io, nullptr});
    EXPECT_EQ(noVideo.EnumerateVideoInputs(&devicesLeft), kS_FALSE);
}

}  // namespace
}  // namespace kestrovane::testing
