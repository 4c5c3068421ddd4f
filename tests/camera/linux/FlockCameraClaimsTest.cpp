#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "TempFolder.h"
#include "camera/linux/FlockCameraClaims.h"

namespace kestrovane::testing {
namespace {

namespace fs = std::filesystem;
using linux_camera::ClaimFileName;
using linux_camera::FlockCameraClaims;

const std::string kPath = "usb#vid_3a5e&pid_0101&mi_00#1-2";

class FlockCameraClaimsTest : public ::testing::Test {
protected:
    // Runs `child` in a forked process with claims of its own on the same
    // folder; its truth value is the child's exit status.
    bool InChild(const std::function<bool(FlockCameraClaims&)>& child) {
        const pid_t pid = fork();
        if (pid == 0) {
            FlockCameraClaims own(lockFolder);
            _exit(child(own) ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    TempFolder folder{"FlockCameraClaimsTest"};
    const fs::path lockFolder = folder.Path() / "locks" / "kestrovane";
    FlockCameraClaims claims{lockFolder};
};

TEST_F(FlockCameraClaimsTest, OneClaimPerPathWithinAProcess) {
    std::unique_ptr<CameraClaim> held = claims.TryClaim(kPath);
    ASSERT_NE(held, nullptr);  // the folder is made on the way
    EXPECT_EQ(claims.TryClaim(kPath), nullptr);
    EXPECT_EQ(FlockCameraClaims(lockFolder).TryClaim(kPath), nullptr);
    std::unique_ptr<CameraClaim> other = claims.TryClaim("usb#vid_3a5e&pid_0101&mi_00#1-3");
    EXPECT_NE(other, nullptr);
    EXPECT_NE(claims.TryClaim("USB#VID_3A5E&PID_0101&MI_00#1-2"), nullptr);  // case counts

    held.reset();
    EXPECT_NE(claims.TryClaim(kPath), nullptr);
}

TEST_F(FlockCameraClaimsTest, ClaimsHoldAcrossProcesses) {
    {
        std::unique_ptr<CameraClaim> held = claims.TryClaim(kPath);
        ASSERT_NE(held, nullptr);
        EXPECT_TRUE(InChild([](FlockCameraClaims& own) { return !own.TryClaim(kPath); }));
    }
    EXPECT_TRUE(InChild([](FlockCameraClaims& own) { return own.TryClaim(kPath) != nullptr; }));

    // A copy that ends without letting go loses its claim with its process.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        auto held = FlockCameraClaims(lockFolder).TryClaim(kPath);
        char byte = held ? 1 : 0;
        (void)!write(ready[1], &byte, 1);
        pause();
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);
    EXPECT_EQ(claims.TryClaim(kPath), nullptr);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_NE(claims.TryClaim(kPath), nullptr);
    close(ready[0]);
    close(ready[1]);
}

TEST_F(FlockCameraClaimsTest, LockFilesStayInsideTheirFolder) {
    EXPECT_EQ(ClaimFileName(kPath), "usb%23vid_3a5e%26pid_0101%26mi_00%231-2.lock");
    EXPECT_NE(ClaimFileName("a/b"), ClaimFileName("a%2Fb"));
    EXPECT_EQ(ClaimFileName(".."), "%...lock");
    const std::string longName = ClaimFileName(std::string(300, 'x'));
    EXPECT_LE(longName.size(), 255u);
    EXPECT_NE(longName, ClaimFileName(std::string(301, 'x')));

    for (const std::string& path :
         std::vector<std::string>{"../../escaped", "", "..", std::string(300, '/')}) {
        EXPECT_NE(claims.TryClaim(path), nullptr) << path;
    }
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().parent_path(), lockFolder);
            ++files;
        }
    }
    EXPECT_EQ(files, 4u);

    // In a folder that everybody may write to, a lock folder that is not our
    // own folder (here a link somebody placed) is not used.
    const fs::path shared = folder.Path() / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory_symlink(lockFolder, shared / "kestrovane");
    EXPECT_EQ(FlockCameraClaims(shared / "kestrovane").TryClaim("elsewhere"), nullptr);
    EXPECT_FALSE(fs::exists(lockFolder / ClaimFileName("elsewhere")));
}

}  // namespace
}  // namespace kestrovane::testing
