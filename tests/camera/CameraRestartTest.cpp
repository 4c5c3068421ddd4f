#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VirtualClock.h"
#include "camera/CameraRestart.h"
#include "camera/CommandSet.h"
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::testing {
namespace {

using Result = RestartOutcome::Result;
using Step = sim::SimulatedDeviceInstaller::Step;

class CameraRestartTest : public ::testing::Test {
protected:
    CameraRestartTest() {
        // The other camera comes first in the system's list: a restart that
        // took the first match would hit it.
        other = machine.AttachCamera(otherPath, 16384, 2);
        camera = machine.AttachCamera(cameraPath, 16384, 2);
    }

    RestartOutcome Restart() { return RestartCamera(installer, clock, cameraPath); }

    std::vector<std::string> ChangedDevices() const {
        std::vector<std::string> changed;
        for (const auto& applied : installer.AppliedChanges()) {
            changed.push_back(applied.instanceId +
                              (applied.change == DeviceStateChange::Disable ? " off" : " on"));
        }
        return changed;
    }

    VirtualClock clock;
    sim::SimulatedMachine machine{clock};
    sim::SimulatedDeviceInstaller installer{machine};
    const std::string otherPath = sim::UsbCameraPath("3a5e", "2b01", "7&aaaa&0&0000");
    const std::string cameraPath = sim::UsbCameraPath("3a5e", "2b01", "7&bbbb&0&0000");
    const std::string cameraInstance = "USB\\VID_3A5E&PID_2B01&MI_00\\7&BBBB&0&0000";
    std::shared_ptr<sim::SimulatedController> other;
    std::shared_ptr<sim::SimulatedController> camera;
};

TEST(CameraRestartNames, InterfacePathNamesItsDeviceInstance) {
    EXPECT_EQ(DeviceInstanceFromInterfacePath(sim::UsbCameraPath("3a5e", "2b01", "7&2f1c&0&0000")),
              "USB\\VID_3A5E&PID_2B01&MI_00\\7&2F1C&0&0000");
    EXPECT_EQ(DeviceInstanceFromInterfacePath("usb#vid_3a5e#x#{guid}"), "");      // no \\?\ prefix
    EXPECT_EQ(DeviceInstanceFromInterfacePath("\\\\?\\usb#vid_3a5e&mi_00"), "");  // no class
    EXPECT_EQ(DeviceInstanceFromInterfacePath("\\\\?\\usb{x}#{guid}"), "");       // no instance
}

TEST(CameraRestartNames, OnlyTheFirstInterfaceOfAVendorsCameraMatches) {
    EXPECT_TRUE(IsCameraFirstInterface("USB\\VID_3A5E&PID_2B01&REV_0100&MI_00"));
    EXPECT_TRUE(IsCameraFirstInterface("usb\\vid_0c7b&pid_0001&mi_00"));  // any letter case
    EXPECT_FALSE(IsCameraFirstInterface("USB\\VID_3A5E&PID_2B01&REV_0100&MI_01"));
    EXPECT_FALSE(IsCameraFirstInterface("USB\\VID_046D&PID_0825&MI_00"));  // another vendor
    EXPECT_FALSE(IsCameraFirstInterface(""));  // an id that could not be read
}

TEST_F(CameraRestartTest, RestartsOnlyTheRunsCameraWhichThenRunsItsNewImage) {
    camera->WriteEeprom(0, {'A'});
    ASSERT_EQ(JumpToNewImage({machine, cameraPath}), XU_OK);
    const RestartOutcome outcome = Restart();

    EXPECT_EQ(outcome.result, Result::Restarted);
    EXPECT_FALSE(outcome.needsReboot);
    EXPECT_EQ(ChangedDevices(),
              (std::vector<std::string>{cameraInstance + " off", cameraInstance + " on"}));
    EXPECT_EQ(clock.NowMs(), 4000u);  // 2000 ms after each change
    EXPECT_EQ(camera->RestartCount(), 1);
    EXPECT_TRUE(camera->RunningNewImage());
    EXPECT_TRUE(camera->Present());
    EXPECT_EQ(other->RestartCount(), 0);
    EXPECT_TRUE(installer.DebugLines().empty());
}

TEST_F(CameraRestartTest, OtherInterfacesVendorsAndUnreadableIdsAreNeverRestarted) {
    // Devices that share the camera's instance id but not its kind.
    installer.AddOtherDevice(cameraInstance, "USB\\VID_3A5E&PID_2B01&REV_0100&MI_01");
    installer.AddOtherDevice(cameraInstance, "USB\\VID_046D&PID_0825&REV_0100&MI_00");
    installer.AddOtherDevice(cameraInstance, std::nullopt);
    camera->WriteEeprom(0, {'A'});
    ASSERT_EQ(JumpToNewImage({machine, cameraPath}), XU_OK);
    EXPECT_EQ(Restart().result, Result::Restarted);
    EXPECT_EQ(ChangedDevices().size(), 2u);
    EXPECT_EQ(installer.AppliedChanges()[0].instanceId, cameraInstance);
    // The decoys come first in the list and share the instance id: only the
    // camera itself, found by its hardware id, was stopped and started.
    EXPECT_EQ(camera->RestartCount(), 1);
    EXPECT_TRUE(camera->RunningNewImage());

    // A camera that is not plugged in, and a path that names no device.
    EXPECT_EQ(RestartCamera(installer, clock, sim::UsbCameraPath("3a5e", "2b01", "gone")).result,
              Result::NoMatchingDevice);
    EXPECT_EQ(RestartCamera(installer, clock, "not a device path").result,
              Result::NoMatchingDevice);
    EXPECT_EQ(ChangedDevices().size(), 2u);
}

struct InstallerFault {
    const char* name;
    Step step;
    DeviceStateChange change;
    Result result;
    const char* debugLine;
    bool presentAfter;
};

const InstallerFault kFaults[] = {
    {"DisableFetch", Step::Enum, DeviceStateChange::Disable, Result::DisableFailed,
     "SetupDiEnumDeviceInfo FAILED", true},
    {"DisableGlobalParams", Step::SetGlobalParams, DeviceStateChange::Disable,
     Result::DisableFailed, "SetupDiSetClassInstallParams FAILED", true},
    {"DisableConfigParams", Step::SetConfigParams, DeviceStateChange::Disable,
     Result::DisableFailed, "SetupDiSetClassInstallParams or SetupDiCallClassInstaller FAILED",
     true},
    {"DisableInstaller", Step::CallInstaller, DeviceStateChange::Disable, Result::DisableFailed,
     "SetupDiSetClassInstallParams or SetupDiCallClassInstaller FAILED", true},
    // The installer ran; only reading its parameters back failed.
    {"DisableReadBack", Step::GetParams, DeviceStateChange::Disable, Result::Restarted,
     "SetupDiGetDeviceInstallParams FAILED", true},
    {"EnableFetch", Step::Enum, DeviceStateChange::Enable, Result::LeftDisabled,
     "SetupDiEnumDeviceInfo FAILED", false},
    {"EnableGlobalParams", Step::SetGlobalParams, DeviceStateChange::Enable, Result::LeftDisabled,
     "SetupDiSetClassInstallParams FAILED", false},
    {"EnableInstaller", Step::CallInstaller, DeviceStateChange::Enable, Result::LeftDisabled,
     "SetupDiSetClassInstallParams or SetupDiCallClassInstaller FAILED", false},
    {"EnableReadBack", Step::GetParams, DeviceStateChange::Enable, Result::Restarted,
     "SetupDiGetDeviceInstallParams FAILED", true},
};

class InstallerFaultTest : public CameraRestartTest,
                           public ::testing::WithParamInterface<InstallerFault> {};

TEST_P(InstallerFaultTest, IsReportedAfterBothStepsAndBothPauses) {
    const InstallerFault& fault = GetParam();
    installer.FailStep(fault.step, fault.change);
    const RestartOutcome outcome = Restart();
    EXPECT_EQ(outcome.result, fault.result);
    EXPECT_EQ(installer.DebugLines(), std::vector<std::string>{fault.debugLine});
    EXPECT_EQ(clock.NowMs(), 4000u);
    EXPECT_EQ(camera->Present(), fault.presentAfter);
    EXPECT_TRUE(other->Present());

    // A disabled camera stays disabled when it is unplugged and plugged in
    // again: only an enable brings it back.
    machine.Detach(cameraPath);
    const auto replugged = machine.AttachCamera(cameraPath);
    EXPECT_EQ(replugged->Present(), machine.PathEnabled(cameraPath));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, InstallerFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return info.param.name; });

TEST_F(CameraRestartTest, AMissingDeviceListOrARebootRequestIsReported) {
    installer.SetNeedsReboot(true);
    const RestartOutcome reboot = Restart();
    EXPECT_EQ(reboot.result, Result::Restarted);
    EXPECT_TRUE(reboot.needsReboot);
    EXPECT_EQ(installer.DebugLines(),
              (std::vector<std::string>{"Need Restart Computer", "Need Restart Computer"}));

    installer.ClearFaults();
    installer.FailStep(Step::List);
    const uint64_t before = clock.NowMs();
    EXPECT_EQ(Restart().result, Result::NoDeviceList);
    EXPECT_EQ(clock.NowMs(), before);  // nothing to wait for
}

}  // namespace
}  // namespace kestrovane::testing
