#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <cstring>
#include <map>

#include "SyntheticSysfs.h"
#include "TempFolder.h"
#include "camera/Transport.h"
#include "camera/linux/UvcCameraPort.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;

// Video nodes that open as scripted and record every query with the bytes it
// carried out; a GET answers with `reply`.
struct FakeIo final : linux_camera::UvcDeviceIo {
    struct Query {
        std::string node;
        uvc_xu_control_query fields;
        std::vector<uint8_t> sent;
    };
    int Open(const std::string& node) override {
        if (openError) return -openError;
        open[next] = node;
        return next++;
    }
    int Ioctl(int descriptor, unsigned long request, uvc_xu_control_query& query) override {
        EXPECT_EQ(request, UVCIOC_CTRL_QUERY);
        queries.push_back({open.at(descriptor), query, {query.data, query.data + query.size}});
        if (!ioctlError && query.query == UVC_GET_CUR) std::memcpy(query.data, reply, query.size);
        return -ioctlError;
    }
    void Close(int descriptor) override { EXPECT_EQ(open.erase(descriptor), 1u); }

    int openError = 0, ioctlError = 0, next = 10;
    uint8_t reply[3] = {0x07, 0x02, 0x00};
    std::map<int, std::string> open;
    std::vector<Query> queries;
};

// Two cameras, a plain webcam and a camera without the extension unit, with
// node numbers in another order than their ports; and a node that is no USB device.
class UvcCameraPortTest : public ::testing::Test {
protected:
    UvcCameraPortTest() {
        sysfs.AddCamera("1-1", 0x046D, 0x0825, CameraDescriptors(std::nullopt), 6);
        sysfs.AddCamera("1-2", 0x3A5E, 0x0101, CameraDescriptors(4), 2);
        sysfs.AddCamera("1-3.4", 0x0C7B, 0x0202, CameraDescriptors(9), 0);
        sysfs.AddCamera("2-1", 0x3A5E, 0x0303, CameraDescriptors(std::nullopt), 10);
        const fs::path platform = sysfs.Root() / "devices/platform/vivid.0";
        fs::create_directories(platform / "video4linux/video12");
        fs::create_directory_symlink(platform, platform / "video4linux/video12/device");
        fs::create_directory_symlink(platform / "video4linux/video12",
                                     sysfs.Root() / "class/video4linux/video12");
    }

    static std::vector<std::string> Paths(CameraPort& cameras) {
        std::vector<std::string> paths;
        std::unique_ptr<DeviceEnumerator> devices;
        std::unique_ptr<DeviceEntry> device;
        if (cameras.EnumerateVideoInputs(&devices) != kS_OK) return paths;
        while (devices->Next(&device) == kS_OK) device->ReadDevicePath(&paths.emplace_back());
        return paths;
    }

    const std::string first = "usb#vid_0c7b&pid_0202&mi_00#1-3.4";
    const std::string second = "usb#vid_3a5e&pid_0101&mi_00#1-2";
    const std::string webcam = "usb#vid_046d&pid_0825&mi_00#1-1";
    const std::string withoutUnit = "usb#vid_3a5e&pid_0303&mi_00#2-1";
    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SyntheticSysfs sysfs{folder.Path() / "sys"};
    std::shared_ptr<FakeIo> io = std::make_shared<FakeIo>();
    std::vector<std::string> verbose;
    linux_camera::UvcCameraPort port{
        {sysfs.Root(), "/dev", io, [this](const std::string& line) { verbose.push_back(line); }}};
};

TEST_F(UvcCameraPortTest, UsbCaptureNodesInNodeOrderWithPathsOfTheirPorts) {
    EXPECT_EQ(Paths(port), (std::vector<std::string>{first, second, webcam, withoutUnit}));
    EXPECT_EQ(ChooseCamera(port), first);

    // Plugged in again the camera has another node but the same path; in
    // another port it has another path.
    SyntheticSysfs replugged(folder.Path() / "replugged");
    replugged.AddCamera("1-2", 0x3A5E, 0x0101, CameraDescriptors(4), 7);
    replugged.AddCamera("1-2.1", 0x3A5E, 0x0101, CameraDescriptors(4), 9);
    linux_camera::UvcCameraPort again({replugged.Root(), "/dev", io, nullptr});
    EXPECT_EQ(Paths(again),
              (std::vector<std::string>{second, "usb#vid_3a5e&pid_0101&mi_00#1-2.1"}));

    linux_camera::UvcCameraPort empty({folder.Path() / "none", "/dev", io, nullptr});
    std::unique_ptr<DeviceEnumerator> devices;
    EXPECT_EQ(empty.EnumerateVideoInputs(&devices), kS_FALSE);
    EXPECT_EQ(ChooseCamera(empty), "");
}

TEST_F(UvcCameraPortTest, RequestsGoToTheVendorUnitAsDriverQueriesAndFailWithTheirText) {
    XuLink link;
    io->openError = EACCES;
    EXPECT_EQ(link.Open({port, second}), XU_NO_DEVICE);
    EXPECT_EQ(verbose.back(), "open /dev/video2: Permission denied (errno 13)");
    io->openError = 0;
    ASSERT_EQ(link.Open({port, second}), XU_OK);
    XuRequest probe{0x07, 0x07, 0x00};
    EXPECT_TRUE(link.Set(CommandChannel, probe));
    EXPECT_TRUE(link.Get(CommandChannel, probe));
    EXPECT_EQ(probe, (XuRequest{0x07, 0x02, 0x00}));
    ASSERT_EQ(io->queries.size(), 2u);
    for (const FakeIo::Query& query : io->queries) {
        EXPECT_EQ(query.node, "/dev/video2");
        EXPECT_EQ(query.fields.unit, 4);  // from the descriptors; unit 3 is another vendor's
        EXPECT_EQ(query.fields.selector, 2);
        EXPECT_EQ(query.fields.size, 3);
        EXPECT_EQ(query.sent, (std::vector<uint8_t>{0x07, 0x07, 0x00}));
    }
    EXPECT_EQ(io->queries[0].fields.query, UVC_SET_CUR);
    EXPECT_EQ(io->queries[1].fields.query, UVC_GET_CUR);

    io->ioctlError = EPIPE;
    EXPECT_FALSE(link.Get(EepromChannel, probe));
    EXPECT_EQ(verbose.back(),
              "UVCIOC_CTRL_QUERY GET_CUR unit 4 selector 1 size 3 on /dev/video2: "
              "Broken pipe (errno 32)");
    // After a stall the driver asks the camera why and answers with an errno
    // of its own (a camera in the wrong state: EILSEQ), which fails the
    // request and is told as the camera's reason. A camera pulled out while
    // its request ran fails with ESHUTDOWN: gone.
    std::unique_ptr<CaptureFilter> bound;
    std::unique_ptr<PropertyControl> direct;
    ASSERT_EQ(OpenCamera({port, second}, &bound), XU_OK);
    ASSERT_EQ(GetKsControl(bound.get(), &direct), XU_OK);
    const NodePropertyRequest request{XuPropertySet, EepromChannel, kXuGetFlags, 1, 0};
    uint32_t returned = 0;
    io->ioctlError = EILSEQ;
    EXPECT_EQ(direct->KsProperty(request, probe.data(), 3, &returned), kE_FAIL);
    EXPECT_TRUE(verbose.back().ends_with("the camera was in the wrong state for the request"))
        << verbose.back();
    io->ioctlError = ESHUTDOWN;
    EXPECT_EQ(direct->KsProperty(request, probe.data(), 3, &returned), kE_DEVICE_GONE);
    direct.reset();
    bound.reset();

    // Another camera's unit; the other vendor's unit takes no request even
    // when asked directly.
    io->ioctlError = 0;
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<PropertyControl> control;
    ASSERT_EQ(OpenCamera({port, first}, &filter), XU_OK);
    ASSERT_EQ(GetKsControl(filter.get(), &control), XU_OK);
    EXPECT_EQ(XuSet(control.get(), EepromChannel, 0, probe.data(), 3), 0);
    EXPECT_EQ(XuSet(control.get(), EepromChannel, 1, probe.data(), 3), 1);
    EXPECT_EQ(io->queries.back().fields.unit, 9);
    filter.reset();
    control.reset();
    link.Close();
    EXPECT_TRUE(io->open.empty());
}

TEST_F(UvcCameraPortTest, CamerasWithoutAReadableUnitAndTheListOfDevices) {
    XuLink link;
    EXPECT_EQ(link.Open({port, withoutUnit}), XU_NOT_SUPPORTED);
    EXPECT_EQ(link.FailedStep(), XuLink::Step::OpenExtensionUnit);
    // Cut 10 bytes into the vendor unit (113 bytes come before it), then gone.
    const fs::path descriptors = sysfs.DeviceFolder("1-2") / "descriptors";
    fs::resize_file(descriptors, 123);
    EXPECT_EQ(link.Open({port, second}), XU_NOT_SUPPORTED);
    fs::remove(descriptors);
    EXPECT_EQ(link.Open({port, second}), XU_NOT_SUPPORTED);
    EXPECT_EQ(verbose.back(), "reading " + descriptors.string() + " failed");
    EXPECT_TRUE(io->queries.empty());

    io->openError = EACCES;
    const auto devices = port.CaptureDevices();
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[1].devicePath, second);
    EXPECT_EQ(devices[1].videoNode, "/dev/video2");
    EXPECT_EQ(devices[1].product, "Camera 1-2");
    EXPECT_EQ(devices[0].vendorId, 0x0C7B);
    EXPECT_EQ(devices[0].productId, 0x0202);
    EXPECT_TRUE(devices[0].vendorMarker && devices[0].extensionUnit && !devices[0].accessible);
    EXPECT_FALSE(devices[1].extensionUnit || devices[2].vendorMarker || devices[3].extensionUnit);
    EXPECT_TRUE(devices[3].vendorMarker);
    EXPECT_TRUE(io->open.empty());
}

}  // namespace
}  // namespace kestrovane::testing
