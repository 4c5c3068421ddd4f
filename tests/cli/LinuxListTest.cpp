// `list` through the Linux platform part, over synthetic sysfs trees.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "SyntheticSysfs.h"
#include "TempFolder.h"
#include "VirtualClock.h"
#include "cli/CommandLine.h"
#include "cli/linux/LinuxPlatform.h"

namespace kestrovane::testing {
namespace {

class LinuxList : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments) {
        cli::LinuxPlatformOptions options;
        options.sysfsRoot = sysfs.Root();
        options.deviceFolder = folder.Path() / "dev";
        options.claimFolder = folder.Path() / "claims";
        cli::CliEnvironment environment{console, clock, [options](cli::VerboseLines verbose) {
                                            return std::make_unique<cli::LinuxPlatform>(
                                                options, std::move(verbose));
                                        }};
        return cli::RunCommandLine(arguments, environment);
    }

    TempFolder folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SyntheticSysfs sysfs{folder.Path() / "sys"};
    VirtualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    std::atomic<int32_t> stop{0};
    cli::Console console{out, err, false, false, false, {}, stop};
};

// A machine without cameras says so and ends with status 3.
TEST_F(LinuxList, SaysSoWithoutCameras) {
    EXPECT_EQ(Run({"list"}), 3);
    EXPECT_EQ(err.str(), "No camera: no video device was found.\n");
    EXPECT_TRUE(out.str().empty());

    sysfs.AddCamera("1-1", 0x046D, 0x0825, CameraDescriptors(std::nullopt), 0);
    EXPECT_EQ(Run({"list"}), 3);
    EXPECT_NE(err.str().find("none of the 1 video devices carries a Tovrine vendor id"),
              std::string::npos)
        << err.str();
}

// A camera whose node this user cannot open is listed with what to do; each
// device's number, USB serial number (from its device folder) and port chain.
TEST_F(LinuxList, ShowsACameraThisUserCannotOpen) {
    sysfs.AddCamera("1-2", 0x3A5E, 0x0101, CameraDescriptors(4), 2);
    std::ofstream(sysfs.DeviceFolder("1-2") / "serial") << "KV0042\n";
    EXPECT_EQ(Run({"list"}), 0);
    const std::string node = (folder.Path() / "dev" / "video2").string();
    EXPECT_EQ(out.str(), "1: usb#vid_3a5e&pid_0101&mi_00#1-2\n    Tovrine camera, " + node +
                             ", \"Camera 1-2\", no access, free, protocol level unknown "
                             "(cannot be opened), serial KV0042, port 1-2\n");
    EXPECT_NE(err.str().find("see the README on camera access"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace kestrovane::testing
