#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "SyntheticSysfs.h"
#include "TempFolder.h"
#include "VirtualClock.h"
#include "camera/Discovery.h"
#include "camera/linux/SysfsDeviceInstaller.h"
#include "camera/linux/UvcCameraPort.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;
using linux_camera::SysfsDeviceInstaller;

struct NoWindows final : WindowList {
    std::vector<std::string> TopLevelWindowTitles() override { return {}; }
};

// A plain webcam in port 1-1 and a camera in port 1-2, each with a control
// and a streaming interface: members 0 to 3, the camera's control interface
// is member 2.
class SysfsDeviceInstallerTest : public ::testing::Test {
protected:
    SysfsDeviceInstallerTest() {
        sysfs.AddCamera({"1-1", 0x046D, 0x0825, UvcCameraDescriptors(std::nullopt).bytes, 0});
        sysfs.AddCamera({"1-2", 0x3A5E, 0x0101, UvcCameraDescriptors(4).bytes, 2});
    }

    static constexpr uint32_t kCamera = 2;
    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SyntheticSysfs sysfs{folder.Path()};
    std::vector<std::string> debug;
    SysfsDeviceInstaller installer{sysfs.Root(),
                                   [this](const std::string& line) { debug.push_back(line); }};
};

TEST_F(SysfsDeviceInstallerTest, InterfacesCarryIdsThatLeadFromTheCameraPath) {
    std::unique_ptr<DeviceInfoSet> devices = installer.PresentDevices();
    ASSERT_NE(devices, nullptr);
    std::vector<std::string> hardwareIds;
    for (uint32_t member = 0; devices->EnumDeviceInfo(member); ++member) {
        hardwareIds.push_back(devices->HardwareId(member).value_or("?"));
    }
    EXPECT_EQ(hardwareIds, (std::vector<std::string>{"USB\\VID_046D&PID_0825&REV_0100&MI_00",
                                                     "USB\\VID_046D&PID_0825&REV_0100&MI_01",
                                                     "USB\\VID_3A5E&PID_0101&REV_0100&MI_00",
                                                     "USB\\VID_3A5E&PID_0101&REV_0100&MI_01"}));
    EXPECT_EQ(devices->InstanceId(kCamera), "USB\\VID_3A5E&PID_0101&MI_00\\1-2");
    EXPECT_FALSE(devices->HardwareId(4));

    // The path the camera port gives the chosen camera names that member.
    linux_camera::UvcCameraPortOptions options;
    options.sysfsRoot = sysfs.Root();
    linux_camera::UvcCameraPort port(options);
    VirtualClock clock;
    NoWindows windows;
    CameraPath chosen;
    ASSERT_EQ(FindCamera(port, windows, clock, chosen), 1);
    EXPECT_EQ(installer.DeviceInstanceOf(chosen.Get()), devices->InstanceId(kCamera));
    EXPECT_EQ(installer.DeviceInstanceOf("usb#vid_3a5e&pid_0101&mi_00#1-3"), std::nullopt);

    EXPECT_EQ(SysfsDeviceInstaller(folder.Path() / "missing").PresentDevices(), nullptr);
}

TEST_F(SysfsDeviceInstallerTest, RestartUnbindsAndBindsTheCamerasOwnInterface) {
    std::unique_ptr<DeviceInfoSet> devices = installer.PresentDevices();
    EXPECT_FALSE(devices->CallPropertyChangeInstaller(kCamera));  // nothing recorded
    EXPECT_EQ(devices->LastError(), 87u);

    ASSERT_TRUE(devices->SetClassInstallParams(kCamera, DeviceStateChange::Disable,
                                               StateChangeScope::Global));
    ASSERT_TRUE(devices->SetClassInstallParams(kCamera, DeviceStateChange::Disable,
                                               StateChangeScope::ConfigSpecific));
    ASSERT_TRUE(devices->CallPropertyChangeInstaller(kCamera));
    EXPECT_EQ(ReadText(sysfs.DriverFile("unbind")), "1-2:1.0");
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "");
    EXPECT_EQ(devices->DeviceInstallFlags(kCamera), 0u);

    // The kernel lets go of the interface; enabling binds the driver again.
    const fs::path driverLink = sysfs.InterfaceFolder("1-2") / "driver";
    fs::remove(driverLink);
    ASSERT_TRUE(devices->SetClassInstallParams(kCamera, DeviceStateChange::Enable,
                                               StateChangeScope::ConfigSpecific));
    ASSERT_TRUE(devices->CallPropertyChangeInstaller(kCamera));
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "1-2:1.0");

    // A running interface is enabled already, a stopped one disabled: nothing written.
    std::ofstream(sysfs.DriverFile("bind"), std::ios::trunc).flush();
    fs::create_directory_symlink(sysfs.DriverFile("bind").parent_path(), driverLink);
    EXPECT_TRUE(devices->CallPropertyChangeInstaller(kCamera));
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "");
    EXPECT_TRUE(debug.empty());
}

TEST_F(SysfsDeviceInstallerTest, MissingRightsAreRecognisable) {
    fs::permissions(sysfs.DriverFile("unbind"), fs::perms::none);
    const pid_t pid = fork();
    if (pid == 0) {
        // Root may write anything: the check runs as an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        std::unique_ptr<DeviceInfoSet> devices = installer.PresentDevices();
        const bool refused = devices &&
                             devices->SetClassInstallParams(kCamera, DeviceStateChange::Disable,
                                                            StateChangeScope::ConfigSpecific) &&
                             !devices->CallPropertyChangeInstaller(kCamera) &&
                             devices->LastError() == kErrorAccessDenied && !debug.empty() &&
                             debug.back() == "writing 1-2:1.0 to " +
                                                 sysfs.DriverFile("unbind").string() +
                                                 ": Permission denied (errno 13)";
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kestrovane::testing
