#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempFolder.h"
#include "camera/linux/FlockCameraClaims.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;
using linux_camera::FlockCameraClaims;

const std::string kPath = "usb#vid_3a5e&pid_0101&mi_00#1-2";

class FlockCameraClaimsTest : public ::testing::Test {
protected:
    // Whether a forked process, with claims of its own, gets the claim on kPath.
    bool ChildGetsTheClaim() {
        const pid_t pid = fork();
        if (pid == 0) _exit(FlockCameraClaims(lockFolder).TryClaim(kPath) ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    TempFolder folder{"FlockCameraClaimsTest"};
    const fs::path lockFolder = folder.Path() / "locks" / "kestrovane";
    FlockCameraClaims claims{lockFolder};
};

TEST_F(FlockCameraClaimsTest, OneClaimPerPathInAProcessAndAcrossAFork) {
    std::unique_ptr<CameraClaim> held = claims.TryClaim(kPath);
    ASSERT_NE(held, nullptr);  // the folder is made on the way
    EXPECT_EQ(claims.TryClaim(kPath), nullptr);
    EXPECT_EQ(FlockCameraClaims(lockFolder).TryClaim(kPath), nullptr);
    EXPECT_FALSE(ChildGetsTheClaim());
    EXPECT_NE(claims.TryClaim("usb#vid_3a5e&pid_0101&mi_00#1-3"), nullptr);
    EXPECT_NE(claims.TryClaim("USB#VID_3A5E&PID_0101&MI_00#1-2"), nullptr);  // case counts

    held.reset();
    EXPECT_TRUE(ChildGetsTheClaim());
    EXPECT_NE(claims.TryClaim(kPath), nullptr);
}

TEST_F(FlockCameraClaimsTest, LockFilesStayInsideTheirFolder) {
    EXPECT_EQ(linux_camera::ClaimFileName(kPath), "usb%23vid_3a5e%26pid_0101%26mi_00%231-2.lock");
    for (const std::string& path :
         {std::string("../../escaped"), std::string(), std::string(".."), std::string(300, '/')}) {
        EXPECT_NE(claims.TryClaim(path), nullptr) << path;
    }
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
        if (!entry.is_regular_file()) continue;
        EXPECT_EQ(entry.path().parent_path(), lockFolder);
        ++files;
    }
    EXPECT_EQ(files, 4u);

    // In a folder that everybody may write to, a lock folder that is not our
    // own folder (here a link somebody placed) is not used.
    const fs::path shared = folder.Path() / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory_symlink(lockFolder, shared / "kestrovane");
    EXPECT_EQ(FlockCameraClaims(shared / "kestrovane").TryClaim("elsewhere"), nullptr);
}

}  // namespace
}  // namespace kestrovane::testing
