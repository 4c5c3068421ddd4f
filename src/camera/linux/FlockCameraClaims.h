#pragma once

#include <filesystem>
#include <string>

#include "camera/CameraClaim.h"
#include "camera/linux/SystemError.h"

namespace kestrovane::linux_camera {

// Claims shared by every copy of the program run by one user: a claim is an
// exclusive flock on a lock file named after the camera's path. The kernel
// grants the lock to exactly one open file, so of two copies (or two claims
// of one copy) that claim the same camera at the same moment exactly one
// gets it; it lasts until the claim is dropped or its process ends. The lock
// files stay behind: removing one would race with a copy that has just
// opened it.
class FlockCameraClaims final : public CameraClaims {
public:
    explicit FlockCameraClaims(std::filesystem::path lockFolder = DefaultClaimFolder(),
                               VerboseSink verbose = {});

    // None also when the lock folder or file cannot be used; the verbose
    // sink says why.
    std::unique_ptr<CameraClaim> TryClaim(const std::string& cameraPath) override;

    // $XDG_RUNTIME_DIR/kestrovane, or /tmp/kestrovane-<uid> without one.
    static std::filesystem::path DefaultClaimFolder();

private:
    bool PrepareFolder() const;

    std::filesystem::path lockFolder_;
    VerboseSink verbose_;
};

// The lock file's name for a camera path: letters, digits, '.', '_' and '-'
// kept, every other byte as %XX, so no path can leave the lock folder; a name
// too long for the file system becomes a digest of the path.
std::string ClaimFileName(const std::string& cameraPath);

}  // namespace kestrovane::linux_camera
