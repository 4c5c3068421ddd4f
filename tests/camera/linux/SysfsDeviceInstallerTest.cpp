#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SyntheticSysfs.h"
#include "TempFolder.h"
#include "camera/linux/SysfsDeviceInstaller.h"
#include "camera/linux/UvcCameraPort.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;

// A webcam in port 1-1 and a camera in port 1-2, each with a control and a
// streaming interface: members 0 to 3, the camera's control interface is 2.
class SysfsDeviceInstallerTest : public ::testing::Test {
protected:
    SysfsDeviceInstallerTest() {
        sysfs.AddCamera("1-1", 0x046D, 0x0825, CameraDescriptors(std::nullopt), 0);
        sysfs.AddCamera("1-2", 0x3A5E, 0x0101, CameraDescriptors(4), 2);
        devices = installer.PresentDevices();
    }

    bool Change(DeviceStateChange change) {
        return devices->SetClassInstallParams(kCamera, change, StateChangeScope::ConfigSpecific) &&
               devices->CallPropertyChangeInstaller(kCamera);
    }

    static constexpr uint32_t kCamera = 2;
    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SyntheticSysfs sysfs{folder.Path()};
    std::vector<std::string> debug;
    linux_camera::SysfsDeviceInstaller installer{
        sysfs.Root(), [this](const std::string& line) { debug.push_back(line); }};
    std::unique_ptr<DeviceInfoSet> devices;
};

TEST_F(SysfsDeviceInstallerTest, TheCameraPathLeadsToItsControlInterface) {
    EXPECT_EQ(devices->HardwareId(kCamera), "USB\\VID_3A5E&PID_0101&REV_0100&MI_00");
    EXPECT_EQ(devices->HardwareId(kCamera + 1), "USB\\VID_3A5E&PID_0101&REV_0100&MI_01");
    EXPECT_EQ(devices->InstanceId(kCamera), "USB\\VID_3A5E&PID_0101&MI_00\\1-2");
    EXPECT_FALSE(devices->EnumDeviceInfo(4));

    linux_camera::UvcCameraPortOptions options;
    options.sysfsRoot = sysfs.Root();
    linux_camera::UvcCameraPort port(options);
    EXPECT_EQ(installer.DeviceInstanceOf(ChooseCamera(port)), devices->InstanceId(kCamera));
    EXPECT_EQ(installer.DeviceInstanceOf("usb#vid_3a5e&pid_0101&mi_00#1-3"), std::nullopt);
}

TEST_F(SysfsDeviceInstallerTest, RestartUnbindsAndBindsTheCamerasOwnInterface) {
    EXPECT_FALSE(devices->CallPropertyChangeInstaller(kCamera));  // nothing recorded
    ASSERT_TRUE(Change(DeviceStateChange::Disable));
    EXPECT_EQ(ReadText(sysfs.DriverFile("unbind")), "1-2:1.0");
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "");
    // The kernel lets go of the interface; enabling binds its driver again.
    fs::remove(sysfs.DeviceFolder("1-2") / "1-2:1.0/driver");
    ASSERT_TRUE(Change(DeviceStateChange::Enable));
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "1-2:1.0");
    EXPECT_EQ(devices->DeviceInstallFlags(kCamera), 0u);

    // Bound again, the interface is running: enabling it writes nothing.
    fs::create_directory_symlink(sysfs.DriverFile("bind").parent_path(),
                                 sysfs.DeviceFolder("1-2") / "1-2:1.0/driver");
    fs::resize_file(sysfs.DriverFile("bind"), 0);
    EXPECT_TRUE(Change(DeviceStateChange::Enable));
    EXPECT_EQ(ReadText(sysfs.DriverFile("bind")), "");

    fs::permissions(sysfs.DriverFile("unbind"), fs::perms::none);
    const pid_t pid = fork();
    if (pid == 0) {
        // Root may write anything: the refusal is checked as an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const bool refused =
            !Change(DeviceStateChange::Disable) && devices->LastError() == kErrorAccessDenied &&
            debug.back() == "writing 1-2:1.0 to " + sysfs.DriverFile("unbind").string() +
                                ": Permission denied (errno 13)";
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace kestrovane::testing
