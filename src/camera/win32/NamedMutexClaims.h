#pragma once

#include "camera/CameraClaim.h"

namespace kestrovane::win32 {

// Claims shared by every copy of the program on the desktop: a claim is a
// named mutex object derived from the camera's path. Creating a named object
// is atomic, so of two copies that claim the same camera at the same moment
// exactly one creates it; the claim lasts while that copy keeps its handle.
class NamedMutexClaims final : public CameraClaims {
public:
    std::unique_ptr<CameraClaim> TryClaim(const std::string& cameraPath) override;
};

// The object name for a camera path (exposed for tests).
std::string ClaimObjectName(const std::string& cameraPath);

}  // namespace kestrovane::win32
