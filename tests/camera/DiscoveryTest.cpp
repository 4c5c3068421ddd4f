#include <gtest/gtest.h>

#include "VirtualClock.h"
#include "camera/Discovery.h"
#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::testing {
namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    static sim::SimulatedDevice Device(std::optional<std::string> path, std::vector<Guid> nodes) {
        sim::SimulatedDevice device;
        device.path = std::move(path);
        device.nodeTypes = std::move(nodes);
        return device;
    }

    std::string AddCamera(const std::string& vendor, const std::string& instance) {
        const std::string path = sim::UsbCameraPath(vendor, "0102", instance);
        machine.AttachCamera(path);
        return path;
    }

    int Find() { return FindCamera(machine, machine, clock, cameraPath); }

    VirtualClock clock;
    sim::SimulatedMachine machine{clock};
    CameraPath cameraPath;
};

TEST_F(DiscoveryTest, NoVideoDeviceFindsNothingAndOpensNothing) {
    EXPECT_EQ(Find(), 0);
    EXPECT_EQ(cameraPath.Get(), "");
    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(OpenCamera({machine, ""}, &filter), XU_NO_DEVICE);
    EXPECT_EQ(filter, nullptr);

    machine.AddDevice(Device("\\\\?\\usb#vid_046d&pid_0825#1#{guid}", sim::PlainCameraNodes()));
    machine.SetEnumerationResult(kE_FAIL);
    EXPECT_EQ(Find(), 0);
}

TEST_F(DiscoveryTest, ChoosesTheFirstUnclaimedCameraWithAVendorMarker) {
    machine.AddDevice(Device("\\\\?\\usb#vid_046d&pid_0825#1#{guid}", sim::PlainCameraNodes()));
    const std::string first = AddCamera("3a5e", "first");
    const std::string second = AddCamera("0c7b", "second");

    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), first);

    // Another copy shows the first camera's path as its caption.
    machine.OpenWindow(first);
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), second);
    EXPECT_EQ(clock.NowMs(), 100u + 200u);  // a 100 ms pause per camera looked at
}

// Many cameras found at once wait one pause together, not one each: the
// walk of `upload --all` over 16 cameras costs what it costs over one.
TEST_F(DiscoveryTest, FindAllCamerasPausesOnceForTheWholeWalk) {
    InProcessCameraClaims claims;
    std::vector<std::string> paths;
    for (int index = 0; index < 16; ++index) {
        paths.push_back(AddCamera("3a5e", "cam" + std::to_string(index)));
    }
    machine.OpenWindow(paths[3]);
    const std::unique_ptr<CameraClaim> heldElsewhere = claims.TryClaim(paths[5]);
    const std::vector<ClaimedCamera> found = FindAllCameras(machine, machine, clock, claims);
    EXPECT_EQ(clock.NowMs(), 100u);
    ASSERT_EQ(found.size(), 14u);
    EXPECT_EQ(found[0].path, paths[0]);
    EXPECT_EQ(found[3].path, paths[4]);  // the caption's camera and the held one passed over
    EXPECT_EQ(found[4].path, paths[6]);
    for (const ClaimedCamera& camera : found) EXPECT_NE(camera.claim, nullptr);
    // No camera: no pause at all.
    VirtualClock emptyClock;
    sim::SimulatedMachine empty{emptyClock};
    EXPECT_TRUE(FindAllCameras(empty, empty, emptyClock, claims).empty());
    EXPECT_EQ(emptyClock.NowMs(), 0u);
}

TEST_F(DiscoveryTest, ClaimComparesTheWholeTitleWithLetterCase) {
    const std::string path = AddCamera("3a5e", "cam");
    machine.OpenWindow(ToUpperAscii(path));
    machine.OpenWindow(path + " ");
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), path);
    EXPECT_TRUE(CheckWindowTitle(path, path));
    EXPECT_FALSE(CheckWindowTitle(ToUpperAscii(path), path));
}

TEST_F(DiscoveryTest, LowerCaseVendorIdMatchesAndCaseIsPreserved) {
    const std::string path = "\\\\?\\USB#vid_0c7b&PID_1#x#{g}";
    machine.AttachCamera(path);
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), path);
    EXPECT_TRUE(HasCameraVendorMarker("...Vid_3a5E..."));
    EXPECT_FALSE(HasCameraVendorMarker("vid_3a5f"));
}

TEST_F(DiscoveryTest, CameraPathChangesOnlyWhenACameraIsChosen) {
    const std::string path = AddCamera("3a5e", "mine");
    cameraPath.Set(path);
    const int window = machine.OpenWindow(path);  // our own caption while uploading
    AddCamera("3a5e", "claimed-elsewhere");
    machine.OpenWindow(sim::UsbCameraPath("3a5e", "0102", "claimed-elsewhere"));

    EXPECT_EQ(Find(), 0);
    EXPECT_EQ(cameraPath.Get(), path);

    machine.CloseWindow(window);
    EXPECT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), path);
}

TEST_F(DiscoveryTest, OpenCameraBindsOnlyTheDeviceWithThePath) {
    const std::string path = AddCamera("3a5e", "cam");
    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(OpenCamera({machine, ToUpperAscii(path)}, &filter), XU_NO_DEVICE);
    EXPECT_EQ(OpenCamera({machine, path}, &filter), XU_OK);
    EXPECT_NE(filter, nullptr);
}

TEST_F(DiscoveryTest, DeviceWithoutReadablePathIsPassedOver) {
    machine.AddDevice(Device(std::nullopt, sim::TovrineCameraNodes()));
    const std::string path = AddCamera("3a5e", "cam");
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(cameraPath.Get(), path);

    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(OpenCamera({machine, path}, &filter), XU_OK);
    // With the camera gone only the pathless device is left, and it is not taken.
    machine.Detach(path);
    filter.reset();
    EXPECT_EQ(OpenCamera({machine, path}, &filter), XU_NO_DEVICE);
    EXPECT_EQ(filter, nullptr);
}

TEST_F(DiscoveryTest, CameraWhoseFilterDoesNotBindIsNotOpened) {
    const std::string path = sim::UsbCameraPath("3a5e", "0102", "dup");
    sim::SimulatedDevice unbindable = Device(path, sim::TovrineCameraNodes());
    unbindable.binds = false;
    machine.AddDevice(unbindable);
    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(OpenCamera({machine, path}, &filter), XU_NO_DEVICE);

    // A second device under the same path that binds is the one opened.
    machine.AttachCamera(path);
    EXPECT_EQ(OpenCamera({machine, path}, &filter), XU_OK);
}

}  // namespace
}  // namespace kestrovane::testing

namespace kestrovane::testing {
namespace {

TEST_F(DiscoveryTest, TwoCopiesClaimingAtOnceNeverTakeTheSameCamera) {
    const std::string first = AddCamera("3a5e", "first");
    const std::string second = AddCamera("3a5e", "second");
    InProcessCameraClaims claims;  // shared by both copies, like the desktop's named objects
    CameraPath copyA, copyB;
    std::unique_ptr<CameraClaim> claimA, claimB;

    // Neither copy has set its caption yet: the window list shows no claim.
    ASSERT_EQ(FindCamera(machine, machine, clock, copyA, claims, &claimA), 1);
    ASSERT_EQ(FindCamera(machine, machine, clock, copyB, claims, &claimB), 1);
    EXPECT_EQ(copyA.Get(), first);
    EXPECT_EQ(copyB.Get(), second);

    std::unique_ptr<CameraClaim> claimC;
    CameraPath copyC;
    EXPECT_EQ(FindCamera(machine, machine, clock, copyC, claims, &claimC), 0);
    EXPECT_EQ(claimC, nullptr);

    claimA.reset();  // copy A's run ended
    EXPECT_EQ(FindCamera(machine, machine, clock, copyC, claims, &claimC), 1);
    EXPECT_EQ(copyC.Get(), first);
}

}  // namespace
}  // namespace kestrovane::testing
