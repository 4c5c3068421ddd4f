#pragma once

#include <optional>
#include <string>

#include "app/UploadHost.h"
#include "app/UploadReports.h"
#include "camera/CameraRestart.h"
#include "camera/Clock.h"
#include "camera/DeviceInstaller.h"

namespace kestrovane {

// The status line while the camera restarts.
inline constexpr const char* kStatusRestarting =
    "Operation status: Restarting the camera to run the new image...";

// What the user is told when the restart did not go as it should; none when
// it did. The upload itself succeeded either way.
std::optional<MessageReport> RestartNotice(const RestartOutcome& outcome);

// Completes a "New bin works" upload after its jump, in this order: the
// camera's restart; "Upload finish"; the count; the Upload button's label as
// the options say; the notice, if any. Blocks for about four seconds; the
// caller runs it off the user-interface thread and gives the camera back
// afterwards.
void CompleteNewImageUpload(UploadHost& host, DeviceInstaller& installer, Clock& clock,
                            const std::string& cameraPath);

}  // namespace kestrovane
